#include "engine/expression_parser.h"

#include <cmath>
#include <stdexcept>

#include "engine/statement_table.h"
#include "engine/text_compare.h"
#include "platform/com/error.h"
#include "platform/locale/user_locale.h"

namespace engine {
namespace {

constexpr char16_t kMsgEmpty[] = u"Expression is empty.";
constexpr char16_t kMsgNoFields[] = u"Expression is Valid but contains no fields!";
constexpr char16_t kMsgNoCloseOnField[] = u"Missing close bracket(\"]\") on field name.";
constexpr char16_t kMsgNoOpenOnField[] = u"Missing open bracket(\"[\") on field name.";
constexpr char16_t kMsgNested[] = u"Missing close bracket (\"]\") or nested field names!";
constexpr char16_t kMsgStrayClose[] = u"Missing Open bracket (\"[\") or nested field names!";
constexpr char16_t kMsgEmptyName[] = u"Empty Field name brackets (\"[ ]\")!";
constexpr char16_t kMsgUnclosed[] = u"Missing close bracket (\"]\")!";
constexpr char16_t kMsgChainUnknown[] = u"Unknown Error Evaluating Expression";
constexpr char16_t kMsgStatementOk[] = u"Successfully created formatting statement";
constexpr char16_t kMsgParserUnknown[] = u"Unknown Error in EvaluateExpression!";

// Text from 1-based position `from` to `to` inclusive; empty when to < from.
std::u16string_view span1(std::u16string_view s, std::int64_t from, std::int64_t to) {
  if (to < from || from < 1 || from > static_cast<std::int64_t>(s.size())) return {};
  auto len = static_cast<std::size_t>(to - from + 1);
  return s.substr(static_cast<std::size_t>(from - 1), len);
}

void appendSplit(ExpressionPieceList& pieces, std::u16string_view text) {
  for (auto& p : SplitLegendTokens(text)) pieces.push_back(std::move(p));
}

// Line breaks and tabs typed in the expression are not part of it.
std::u16string withoutLineBreaks(std::u16string_view expression) {
  std::u16string copy;
  copy.reserve(expression.size());
  for (char16_t c : expression) {
    if (c != u'\r' && c != u'\n' && c != u'\t') copy.push_back(c);
  }
  return copy;
}

// Why a statement with arguments is malformed, or how far it reached.
struct ArgumentRead {
  bool ok = false;
  std::int32_t lastPos = 0;  // its closing parenthesis
  com::Variant arg1 = std::u16string();
  com::Variant arg2 = std::u16string();
};

ArgumentRead readArguments(std::u16string_view expr, std::int32_t w, ArgumentForm form) {
  ArgumentRead r;
  const auto len = static_cast<std::int64_t>(expr.size());
  if (w + 1 > len || expr[static_cast<std::size_t>(w)] != u'(') return r;
  std::u16string_view rest = span1(expr, w + 2, len);
  auto close = rest.find(u')');
  if (close == std::u16string_view::npos) return r;
  std::int32_t v1 = 0, v2 = 0;
  switch (form) {
    case ArgumentForm::OneNumber:
      if (!numericArgument(rest.substr(0, close), &v1)) return r;
      r.arg1 = v1;
      break;
    case ArgumentForm::OneText:
      r.arg1 = std::u16string(rest.substr(0, close));
      break;
    case ArgumentForm::TwoNumbers:
    case ArgumentForm::TwoTexts: {
      auto comma = rest.find(u',');
      if (comma == std::u16string_view::npos) return r;
      std::u16string_view before = rest.substr(0, comma);
      std::u16string_view after = rest.substr(comma + 1);
      auto close2 = after.find(u')');
      if (close2 == std::u16string_view::npos) return r;
      if (form == ArgumentForm::TwoNumbers) {
        if (!numericArgument(before, &v1)) return r;
        if (!numericArgument(after.substr(0, close2), &v2)) return r;
        r.arg1 = v1;
        r.arg2 = v2;
      } else {
        r.arg1 = std::u16string(before);
        r.arg2 = std::u16string(after.substr(0, close2));
      }
      break;
    }
    case ArgumentForm::None:
      return r;
  }
  // The statement ends at the first closing parenthesis after the opening
  // one, also when an argument read further (a ")" in a search text).
  r.lastPos = w + 1 + static_cast<std::int32_t>(close) + 1;
  r.ok = true;
  return r;
}

}  // namespace

bool numericArgument(std::u16string_view text, std::int32_t* value) {
  double d = 0;
  if (!platform::locale::isNumeric(text, &d)) return false;
  double rounded = std::nearbyint(d);  // the default rounding mode: ties to even
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw std::range_error("numeric argument overflow");
  *value = static_cast<std::int32_t>(rounded);
  return true;
}

ExpressionPieceList SplitLegendTokens(std::u16string_view text) {
  ExpressionPieceList pieces;
  std::u16string_view rest = text;
  for (auto p = rest.find(u"$$"); p != std::u16string_view::npos; p = rest.find(u"$$")) {
    std::u16string_view word = rest.substr(p + 2, 5);
    if (equalsNoCase(word, u"VALUE") || equalsNoCase(word, u"LABEL")) {
      if (p > 0) pieces.push_back({kPieceText, std::u16string(rest.substr(0, p)), {}});
      pieces.push_back({kPieceLegend, std::u16string(word), {}});
      rest = rest.substr(p + 7);
    } else {
      pieces.push_back({kPieceText, std::u16string(rest.substr(0, p + 2)), {}});
      rest = rest.substr(p + 2);
    }
  }
  if (!rest.empty()) pieces.push_back({kPieceText, std::u16string(rest), {}});
  return pieces;
}

StatementParseResult ParseFormattingStatements(LabelerFields& fields, std::u16string_view expr,
                                               std::int32_t closePos, std::int32_t openPos) {
  StatementParseResult result;
  fields.Message = kMsgChainUnknown;
  std::int32_t p = closePos;
  try {
    const std::u16string fieldName(span1(expr, openPos + 1, closePos - 1));
    for (;;) {
      const StatementEntry* statement = nullptr;
      for (const auto& s : statementTable()) {
        if (startsWithNoCase(expr, static_cast<std::size_t>(p), s.written)) {
          statement = &s;
          break;
        }
      }
      if (!statement) break;
      if (statement->arguments == ArgumentForm::None) {
        result.statements.push_back({std::u16string(statement->name), std::u16string(), std::u16string()});
        p += static_cast<std::int32_t>(statement->written.size());
        continue;
      }
      const auto w = p + static_cast<std::int32_t>(statement->written.size());
      ArgumentRead args = readArguments(expr, w, statement->arguments);
      if (!args.ok) {
        fields.Message = std::u16string(statement->malformedPrefix) + fieldName + u"] Field!";
        fields.LabelsValid = false;
        result.message = fields.Message;
        result.position = p;
        return result;
      }
      result.statements.push_back({std::u16string(statement->name), std::move(args.arg1), std::move(args.arg2)});
      p = args.lastPos;
    }
    if (result.statements.empty()) result.statements.push_back({kStatementNone, std::u16string(), std::u16string()});
    fields.LabelsValid = true;
    fields.Message = kMsgStatementOk;
    result.success = true;
    result.message = fields.Message;
    result.position = p;
    return result;
  } catch (...) {
    // Message still holds the chain's unknown-error text.
    fields.LabelsValid = false;
    result.success = false;
    result.message = fields.Message;
    result.position = p;
    return result;
  }
}

bool EvaluateExpression(LabelerFields& fields, std::u16string_view expression) {
  fields.ExpressionPieces.clear();
  auto fail = [&](std::u16string message) {
    fields.Message = std::move(message);
    fields.LabelsValid = false;
    return false;
  };
  try {
    const std::u16string copy = withoutLineBreaks(expression);
    if (copy.empty()) return fail(kMsgEmpty);
    const bool hasOpen = copy.find(u'[') != std::u16string::npos;
    const bool hasClose = copy.find(u']') != std::u16string::npos;
    if (!hasOpen && !hasClose) {
      fields.Message = kMsgNoFields;
      appendSplit(fields.ExpressionPieces, copy);
      fields.LabelsValid = true;
      return true;
    }
    if (hasOpen && !hasClose) return fail(kMsgNoCloseOnField);
    if (!hasOpen && hasClose) return fail(kMsgNoOpenOnField);

    enum class State { BeforeField, InsideBrackets, AfterField } state = State::BeforeField;
    const auto len = static_cast<std::int32_t>(copy.size());
    std::int32_t openPos = 0, closePos = 0;
    auto& pieces = fields.ExpressionPieces;
    // One position past the end reads nothing; kept so the scan's shape
    // matches the positions users are told about.
    for (std::int32_t i = 1; i <= len + 1; ++i) {
      const char16_t c = i <= len ? copy[static_cast<std::size_t>(i - 1)] : u'\0';
      if (i <= len && c == u'[') {
        if (state == State::InsideBrackets) return fail(kMsgNested);
        if (state == State::AfterField) {
          appendSplit(pieces, span1(copy, closePos + 1, i - 1));
        } else if (i > 1) {
          appendSplit(pieces, span1(copy, 1, i - 1));
        }
        state = State::InsideBrackets;
        openPos = i;
      } else if (i <= len && c == u']') {
        if (state != State::InsideBrackets) return fail(kMsgStrayClose);
        if (i == openPos + 1) return fail(kMsgEmptyName);
        std::u16string name(span1(copy, openPos + 1, i - 1));
        StatementParseResult r = ParseFormattingStatements(fields, copy, i, openPos);
        if (!r.success) return fail(r.message);
        i = r.position;
        pieces.push_back({kPieceField, std::move(name), std::move(r.statements)});
        state = State::AfterField;
        closePos = i;
      }
      if (i == len && state == State::AfterField && i > closePos) {
        appendSplit(pieces, span1(copy, closePos + 1, len));
      }
    }
    if (state == State::InsideBrackets) return fail(kMsgUnclosed);
    fields.LabelsValid = true;
    return true;
  } catch (const com::Error& e) {
    return fail(e.description().empty() ? std::u16string(kMsgParserUnknown) : e.description());
  } catch (...) {
    return fail(kMsgParserUnknown);
  }
}

}  // namespace engine
