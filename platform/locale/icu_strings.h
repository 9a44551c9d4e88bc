#pragma once
// Between our UTF-16 strings and ICU's: both are UTF-16 code units.
#include <unicode/unistr.h>

#include <string>
#include <string_view>

namespace platform::locale {

inline std::u16string fromIcu(const icu::UnicodeString& s) {
  return {reinterpret_cast<const char16_t*>(s.getBuffer()), static_cast<std::size_t>(s.length())};
}
inline icu::UnicodeString toIcu(std::u16string_view s) { return icu::UnicodeString(s.data(), static_cast<int32_t>(s.size())); }

}  // namespace platform::locale
