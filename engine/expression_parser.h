#pragma once
// The label expression parser: literal text, $$VALUE / $$LABEL tokens and
// field references in brackets, each followed directly by a chain of
// statements. Positions are 1-based indexes into the expression text, as
// users see them. The parser reports the first error in words through the
// labeler's Message and never throws.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/labeler_fields.h"

namespace engine {

struct StatementParseResult {
  bool success = false;
  std::u16string message;
  // The last character the chain consumed, or the closing bracket's
  // position when it consumed nothing.
  std::int32_t position = 0;
  std::vector<FormattingStatement> statements;
};

// Parses the whole expression into fields.ExpressionPieces (replaced on
// every call). True when it parsed; Message and LabelsValid set either way.
bool EvaluateExpression(LabelerFields& fields, std::u16string_view expression);

// Reads the statement chain behind the field whose closing bracket is at
// closePos and opening bracket at openPos (both 1-based). Writes Message and
// LabelsValid.
StatementParseResult ParseFormattingStatements(LabelerFields& fields, std::u16string_view expression,
                                               std::int32_t closePos, std::int32_t openPos);

// Cuts literal text at the $$VALUE and $$LABEL tokens into "Text" and
// "LEGEND" pieces. Any other $$ stays literal text.
ExpressionPieceList SplitLegendTokens(std::u16string_view text);

// The numeric argument of a statement: the locale's number test, then the
// nearest 32-bit integer (ties to even). Throws std::range_error beyond the
// 32-bit range; false when the text is not a number.
bool numericArgument(std::u16string_view text, std::int32_t* value);

}  // namespace engine
