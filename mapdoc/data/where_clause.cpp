#include "mapdoc/data/where_clause.h"

#include <algorithm>
#include <cctype>

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

}  // namespace mapdoc::data
