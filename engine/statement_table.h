#pragma once
// The statements of the expression language in the order the parser tries
// their written forms. Order matters where one form begins another:
// ".FormatCurrency" and ".FormatNumber" come before ".Format".
#include <span>
#include <string_view>

namespace engine {

enum class ArgumentForm { None, OneNumber, OneText, TwoNumbers, TwoTexts };

struct StatementEntry {
  std::u16string_view written;  // with its leading dot
  std::u16string_view name;     // recorded name
  bool summary;                 // a summary method rather than a formatting statement
  ArgumentForm arguments;
  std::u16string_view malformedPrefix;  // empty for statements without arguments
};

std::span<const StatementEntry> statementTable();

// The nine summary names, as a field summary keys them.
bool isSummaryName(std::u16string_view name);

}  // namespace engine
