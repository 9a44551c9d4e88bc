// Upper and lower case by ICU's full Unicode rules (ß -> SS, Turkish dotted i).
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "platform/locale/user_locale.h"

namespace platform::locale {
namespace {

std::u16string fromIcu(const icu::UnicodeString& s) {
  return {reinterpret_cast<const char16_t*>(s.getBuffer()), static_cast<std::size_t>(s.length())};
}

icu::UnicodeString toIcu(std::u16string_view s) { return icu::UnicodeString(s.data(), static_cast<int32_t>(s.size())); }

}  // namespace

std::u16string toUpper(std::u16string_view text) {
  auto s = toIcu(text);
  s.toUpper(icu::Locale(localeName(Category::Ctype).c_str()));
  return fromIcu(s);
}

std::u16string toLower(std::u16string_view text) {
  auto s = toIcu(text);
  s.toLower(icu::Locale(localeName(Category::Ctype).c_str()));
  return fromIcu(s);
}

}  // namespace platform::locale
