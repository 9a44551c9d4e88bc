// Which ICU locale a category follows, from the environment or the override.
#include <unicode/locid.h>

#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/locale/user_locale.h"

namespace platform::locale {
namespace {

std::mutex overrideMutex;
std::string overrideName;

const char* categoryVariable(Category c) {
  switch (c) {
    case Category::Numeric: return "LC_NUMERIC";
    case Category::Monetary: return "LC_MONETARY";
    case Category::Ctype: return "LC_CTYPE";
    case Category::Time: return "LC_TIME";
  }
  return "LANG";
}

const std::set<std::string>& availableLocales() {
  static const std::set<std::string> names = [] {
    std::set<std::string> out;
    int32_t count = 0;
    const icu::Locale* list = icu::Locale::getAvailableLocales(count);
    for (int32_t i = 0; i < count; ++i) {
      out.insert(list[i].getName());
      out.insert(list[i].getLanguage());
    }
    return out;
  }();
  return names;
}

bool plainName(const std::string& name) {
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

std::string environmentName(Category category) {
  for (const char* variable : {"LC_ALL", categoryVariable(category), "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return {};
}

}  // namespace

std::string icuLocaleName(std::string_view posixName) {
  std::string name(posixName.substr(0, posixName.find_first_of(".@")));
  for (auto& c : name)
    if (c == '-') c = '_';
  if (name.empty() || name == "C" || name == "POSIX" || !plainName(name)) return "en_US";
  if (name.find('_') != std::string::npos && availableLocales().count(name)) return name;
  // A bare language ("de") or a region ICU has no data for ("de_XX"): the
  // language's most likely region, so currency and conventions stay whole.
  const std::string language = name.substr(0, name.find('_'));
  if (language.empty() || !availableLocales().count(language)) return "en_US";
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale likely(language.c_str());
  likely.addLikelySubtags(status);
  if (U_FAILURE(status) || !*likely.getCountry()) return language;
  return std::string(likely.getLanguage()) + "_" + likely.getCountry();
}

std::string localeName(Category category) {
  {
    std::lock_guard lock(overrideMutex);
    if (!overrideName.empty()) return icuLocaleName(overrideName);
  }
  return icuLocaleName(environmentName(category));
}

void setOverride(std::string_view name) {
  std::lock_guard lock(overrideMutex);
  overrideName = name;
}

}  // namespace platform::locale
