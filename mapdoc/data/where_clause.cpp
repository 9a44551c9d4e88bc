#include "mapdoc/data/where_clause.h"

#include <charconv>

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace mapdoc::data {
namespace {

// Copies a quoted run ('...' or "...", the quote doubled inside) from i.
std::size_t copyQuoted(const std::string& s, std::size_t i, std::string& out) {
  const char quote = s[i];
  out += s[i++];
  while (i < s.size()) {
    out += s[i];
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        out += s[++i];
      } else {
        return i + 1;
      }
    }
    ++i;
  }
  return i;
}

bool identifierChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

std::string bracketsToDoubleQuotes(const std::string& clause) {
  std::string out;
  for (std::size_t i = 0; i < clause.size();) {
    const char c = clause[i];
    if (c == '\'' || c == '"') {
      i = copyQuoted(clause, i, out);
    } else if (c == '[') {
      const auto close = clause.find(']', i + 1);
      if (close == std::string::npos) {
        out += clause.substr(i);
        break;
      }
      out += '"' + clause.substr(i + 1, close - i - 1) + '"';
      i = close + 1;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

std::string quoteQualifiedNames(const std::string& clause, const std::vector<std::string>& fieldNames) {
  std::string out;
  for (std::size_t i = 0; i < clause.size();) {
    const auto c = static_cast<unsigned char>(clause[i]);
    if (c == '\'' || c == '"') {
      i = copyQuoted(clause, i, out);
    } else if (identifierChar(c) && !std::isdigit(c)) {
      std::size_t end = i;
      while (end < clause.size() && (identifierChar(static_cast<unsigned char>(clause[end])) || clause[end] == '.')) ++end;
      const std::string word = clause.substr(i, end - i);
      const bool known = word.find('.') != std::string::npos &&
                         std::any_of(fieldNames.begin(), fieldNames.end(),
                                     [&](const std::string& f) { return equalsIgnoringCase(f, word); });
      out += known ? '"' + word + '"' : word;
      i = end;
    } else {
      out += clause[i++];
    }
  }
  return out;
}

std::vector<std::string> quotedNames(const std::string& clause) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < clause.size();) {
    if (clause[i] != '\'' && clause[i] != '"') {
      ++i;
      continue;
    }
    std::string run;
    const std::size_t end = copyQuoted(clause, i, run);
    if (clause[i] == '"' && run.size() >= 2) {
      std::string name;
      for (std::size_t k = 1; k + 1 < run.size(); ++k) {
        name += run[k];
        if (run[k] == '"') ++k;  // a doubled quote stands for one
      }
      names.push_back(name);
    }
    i = end;
  }
  return names;
}

std::string quoteName(const std::string& field, FieldQuoting quoting) {
  switch (quoting) {
    case FieldQuoting::Brackets: return "[" + field + "]";
    case FieldQuoting::Bare: return field;
    case FieldQuoting::DoubleQuotes: break;
  }
  return '"' + field + '"';
}

namespace {

struct Token {
  enum class Kind { Space, Text, Name, Word, Operator, Other };
  Kind kind;
  std::string raw;
  std::string value;  // Text: the literal's content; Name and Word: the name
};

bool isWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }

// Standard SQL tokens; false for an unterminated literal or name.
bool tokenize(const std::string& s, std::vector<Token>& out) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) {
      std::size_t end = i;
      while (end < s.size() && std::isspace(static_cast<unsigned char>(s[end]))) ++end;
      out.push_back({Token::Kind::Space, s.substr(i, end - i), {}});
      i = end;
    } else if (c == '\'' || c == '"') {
      std::string raw;
      const std::size_t end = copyQuoted(s, i, raw);
      if (raw.size() < 2 || raw.back() != static_cast<char>(c)) return false;
      std::string value;
      for (std::size_t k = 1; k + 1 < raw.size(); ++k) {
        value += raw[k];
        if (raw[k] == static_cast<char>(c)) ++k;  // a doubled quote stands for one
      }
      out.push_back({c == '\'' ? Token::Kind::Text : Token::Kind::Name, raw, value});
      i = end;
    } else if (isWordStart(c)) {
      std::size_t end = i;
      while (end < s.size() && (identifierChar(static_cast<unsigned char>(s[end])) || s[end] == '.')) ++end;
      out.push_back({Token::Kind::Word, s.substr(i, end - i), s.substr(i, end - i)});
      i = end;
    } else {
      const std::string two = s.substr(i, 2);
      if (two == "<>" || two == "!=" || two == "<=" || two == ">=" || two == "||") {
        out.push_back({Token::Kind::Operator, two, {}});
        i += 2;
      } else {
        out.push_back({c == '=' || c == '<' || c == '>' ? Token::Kind::Operator : Token::Kind::Other, s.substr(i, 1), {}});
        ++i;
      }
    }
  }
  return true;
}

// A literal OGR's lexer reads back as text: where a backslash would stand
// before a quote, every backslash comes from a literal that holds it in the
// middle ('\Z').
std::string ogrLiteral(const std::string& text) {
  const std::string plain = sqlLiteral(text);
  if (plain.find("\\'") == std::string::npos) return plain;
  std::string out = "CONCAT(", segment;
  for (char c : text) {
    if (c != '\\') {
      segment += c;
      continue;
    }
    out += sqlLiteral(segment) + ", SUBSTR('\\Z', 1, 1), ";
    segment.clear();
  }
  return out + sqlLiteral(segment) + ")";
}

std::string likePattern(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '!' || c == '%' || c == '_') out += '!';
    out += c;
  }
  return ogrLiteral(out) + " ESCAPE '!'";
}

bool keyword(const Token& t, std::initializer_list<const char*> words) {
  if (t.kind != Token::Kind::Word) return false;
  for (const char* w : words)
    if (equalsIgnoringCase(t.value, w)) return true;
  return false;
}

}  // namespace

std::string sqlNumber(double value) {
  char buffer[32];
  return {buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr};
}

std::string sqlLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string forOgrSql(const std::string& clause, const std::function<bool(const std::string&)>& isTextField) {
  std::vector<Token> tokens;
  if (!tokenize(clause, tokens)) return clause;
  // Positions of the tokens that are not blanks.
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < tokens.size(); ++i)
    if (tokens[i].kind != Token::Kind::Space) at.push_back(i);
  std::vector<bool> replaced(tokens.size(), false);
  std::vector<std::string> replacement(tokens.size());
  for (std::size_t k = 1; k + 1 < at.size(); ++k) {
    const Token& op = tokens[at[k]];
    if (op.kind != Token::Kind::Operator || (op.raw != "=" && op.raw != "<>" && op.raw != "!=")) continue;
    const std::size_t l = at[k - 1], r = at[k + 1];
    const Token* field = nullptr;
    const Token* literal = nullptr;
    for (auto [a, b] : {std::pair{l, r}, std::pair{r, l}}) {
      const Token& x = tokens[a];
      if ((x.kind == Token::Kind::Name || x.kind == Token::Kind::Word) && tokens[b].kind == Token::Kind::Text &&
          isTextField(x.value)) {
        field = &x;
        literal = &tokens[b];
      }
    }
    if (!field || replaced[l] || replaced[r]) continue;
    // Only a comparison standing alone: an operand of || or + reaches
    // further than the two tokens beside the operator.
    const bool openBefore = k < 2 || tokens[at[k - 2]].raw == "(" || tokens[at[k - 2]].raw == "," ||
                            keyword(tokens[at[k - 2]], {"AND", "OR", "NOT", "WHERE"});
    const bool closedAfter = k + 2 >= at.size() || tokens[at[k + 2]].raw == ")" || tokens[at[k + 2]].raw == "," ||
                             keyword(tokens[at[k + 2]], {"AND", "OR"});
    if (!openBefore || !closedAfter) continue;
    const std::string like = field->raw + " LIKE " + likePattern(literal->value);
    replacement[l] = op.raw == "=" ? "(" + like + ")" : "(" + field->raw + " IS NOT NULL AND NOT (" + like + "))";
    replaced[l] = replaced[r] = true;
    for (std::size_t i = l + 1; i <= r; ++i) replaced[i] = true;
  }
  std::string out;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!replacement[i].empty()) out += replacement[i];
    else if (replaced[i]) continue;
    else if (tokens[i].kind == Token::Kind::Text) out += ogrLiteral(tokens[i].value);
    else out += tokens[i].raw;
  }
  return out;
}

}  // namespace mapdoc::data
