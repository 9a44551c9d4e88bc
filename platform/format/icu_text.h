#pragma once
// Between our UTF-16 strings and ICU's, and the ICU locale of a category.
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <string>
#include <string_view>

#include "platform/locale/user_locale.h"

namespace platform::format {

inline std::u16string fromIcu(const icu::UnicodeString& s) {
  return {reinterpret_cast<const char16_t*>(s.getBuffer()), static_cast<std::size_t>(s.length())};
}
inline icu::UnicodeString toIcu(std::u16string_view s) { return icu::UnicodeString(s.data(), static_cast<int32_t>(s.size())); }
inline icu::Locale icuLocale(locale::Category c) { return icu::Locale(locale::localeName(c).c_str()); }

// Replaces every '.' of C-formatted number text by the locale's separator.
std::u16string withDecimalSeparator(const std::string& cText);

}  // namespace platform::format
