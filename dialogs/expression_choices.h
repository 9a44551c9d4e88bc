#pragma once
// What the labeling dialog offers for composing an expression: the
// formatting statements with their help lines, and the summary methods a
// field can be added with, by the field's category.
#include <optional>
#include <span>
#include <string_view>

namespace dialogs {

struct FormattingStatementEntry {
  std::u16string_view entry;  // inserted into the expression as it stands
  std::u16string_view help;   // shown while the entry is chosen
};

// The sixteen statements in the order the drop-down lists them.
std::span<const FormattingStatementEntry> formattingStatements();

// The help line of an entry (letter case ignored); empty for an entry not listed.
std::u16string_view formattingStatementHelp(std::u16string_view entry);

inline constexpr std::u16string_view kNumberCategory = u"Number";
inline constexpr std::u16string_view kStringCategory = u"String";
inline constexpr std::u16string_view kPreselectedMethod = u".First";

// "Number" or "String" for a host field type code; nothing for a field that
// cannot be summarised (geometry, blob, raster and every later kind).
std::optional<std::u16string_view> fieldCategory(int fieldType);

// The summary methods offered for a category; any category but "String"
// (letter case ignored) gets the numeric list.
std::span<const std::u16string_view> summaryMethods(std::u16string_view category);

}  // namespace dialogs
