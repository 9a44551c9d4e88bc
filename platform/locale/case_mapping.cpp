// Upper and lower case by ICU's full Unicode rules (ß -> SS, Turkish dotted i).
#include <unicode/locid.h>

#include "platform/locale/icu_strings.h"
#include "platform/locale/user_locale.h"

namespace platform::locale {

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
