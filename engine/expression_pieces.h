#pragma once
// The parsed label expression: pieces in the order their text stands in the
// expression. A "Field" piece carries its statement chain, whose first
// statement names the summary and the rest format the summary's value.
#include <string>
#include <vector>

#include "platform/com/variant.h"

namespace engine {

inline constexpr char16_t kPieceText[] = u"Text";
inline constexpr char16_t kPieceLegend[] = u"LEGEND";
inline constexpr char16_t kPieceField[] = u"Field";
// The one statement of a field written without any.
inline constexpr char16_t kStatementNone[] = u"NONE";

struct FormattingStatement {
  std::u16string name;  // the canonical name, e.g. "Sum", "FormatNumber"
  // Absent: the empty text. Numeric arguments are Int32; the instructions of
  // Format and the texts of Replace are text.
  com::Variant arg1 = std::u16string();
  com::Variant arg2 = std::u16string();
  friend bool operator==(const FormattingStatement&, const FormattingStatement&) = default;
};

struct ExpressionPiece {
  std::u16string kind;     // "Text", "LEGEND" or "Field"
  std::u16string content;  // literal text, the token word as typed, or the field name as written
  std::vector<FormattingStatement> statements;  // "Field" pieces only, never empty there
  friend bool operator==(const ExpressionPiece&, const ExpressionPiece&) = default;
};

using ExpressionPieceList = std::vector<ExpressionPiece>;

}  // namespace engine
