#pragma once
// Letter-case-insensitive comparison for the words of the expression
// language, statement names and the "$$" markers. Simple case folding, one
// code point against one, so a match has the same length as the text it
// matches and positions stay valid.
#include <string>
#include <string_view>

namespace engine {

bool equalsNoCase(std::u16string_view a, std::u16string_view b);

// Whether text, from offset `at` (0-based), begins with `prefix`, ignoring
// case. False when fewer characters remain than prefix has.
bool startsWithNoCase(std::u16string_view text, std::size_t at, std::u16string_view prefix);

// The first occurrence of needle in text at or after `from`, ignoring case;
// npos when there is none or needle is empty.
std::size_t findNoCase(std::u16string_view text, std::u16string_view needle, std::size_t from = 0);

// Every occurrence of needle, left to right without overlaps, ignoring case.
std::u16string replaceNoCase(std::u16string_view text, std::u16string_view needle, std::u16string_view with);

}  // namespace engine
