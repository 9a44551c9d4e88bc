#pragma once
// Between our UTF-16 strings and ICU's, and the ICU locale of a category.
#include <unicode/locid.h>

#include <string>
#include <string_view>

#include "platform/locale/icu_strings.h"
#include "platform/locale/user_locale.h"

namespace platform::format {

using locale::fromIcu;
using locale::toIcu;
inline icu::Locale icuLocale(locale::Category c) { return icu::Locale(locale::localeName(c).c_str()); }

// ICU writes no-break spaces between an amount and its currency symbol and
// before AM/PM; automation's system formats write plain spaces, which users
// compare with and which label wrapping may break at. `keep` (a grouping
// separator that is itself a no-break space) stays.
inline std::u16string plainSpaces(std::u16string s, std::u16string_view keep = {}) {
  for (auto& c : s)
    if ((c == u'\u00A0' || c == u'\u202F') && !(keep.size() == 1 && keep[0] == c)) c = u' ';
  return s;
}

// Replaces every '.' of C-formatted number text by the locale's separator.
std::u16string withDecimalSeparator(std::string_view cText);

}  // namespace platform::format
