#include "platform/format/date_names.h"

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>

#include <cmath>
#include <memory>

#include "platform/format/icu_text.h"

namespace platform::format {
namespace {

icu::Locale timeLocale() { return icuLocale(locale::Category::Time); }

std::u16string symbolAt(const icu::UnicodeString* list, int32_t count, int index) {
  return index >= 0 && index < count ? fromIcu(list[index]) : std::u16string();
}

}  // namespace

std::u16string monthName(int month, bool abbreviated) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(timeLocale(), status);
  int32_t count = 0;
  const auto* list = abbreviated ? symbols.getShortMonths(count) : symbols.getMonths(count);
  return symbolAt(list, count, month - 1);
}

std::u16string dayName(int weekday, bool abbreviated) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(timeLocale(), status);
  int32_t count = 0;
  const auto* list = abbreviated ? symbols.getShortWeekdays(count) : symbols.getWeekdays(count);
  return symbolAt(list, count, weekday);  // ICU's list starts with an empty entry, Sunday at 1
}

std::u16string amPm(bool pm) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(timeLocale(), status);
  int32_t count = 0;
  const auto* list = symbols.getAmPmStrings(count);
  auto s = symbolAt(list, count, pm ? 1 : 0);
  return s.empty() ? (pm ? u"PM" : u"AM") : s;
}

int weekday(const DateParts& p) {
  const double days = std::floor(toOleDate({p.year, p.month, p.day, 0, 0, 0}));
  // 30 December 1899 was a Saturday
  int w = static_cast<int>(std::fmod(days + 6.0, 7.0));
  if (w < 0) w += 7;
  return w + 1;
}

std::u16string datePattern(const DateParts& p, const char16_t* skeleton) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale loc = timeLocale();
  std::unique_ptr<icu::DateTimePatternGenerator> generator(icu::DateTimePatternGenerator::createInstance(loc, status));
  if (U_FAILURE(status)) return u"";
  const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(skeleton), status);
  icu::SimpleDateFormat format(pattern, loc, status);
  if (U_FAILURE(status)) return u"";
  std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), loc, status));
  if (U_FAILURE(status) || !calendar) return u"";
  auto* gregorian = dynamic_cast<icu::GregorianCalendar*>(calendar.get());
  if (gregorian) gregorian->setGregorianChange(-1e300, status);  // proleptic, as OLE dates are
  calendar->clear();
  calendar->set(p.year, p.month - 1, p.day, p.hour, p.minute, p.second);
  format.setCalendar(*calendar);
  format.setTimeZone(*icu::TimeZone::getGMT());
  icu::UnicodeString out;
  format.format(calendar->getTime(status), out);
  return fromIcu(out);
}

namespace {

std::u16string separatorIn(const std::u16string& text, const std::u16string& fallback) {
  for (char16_t c : text)
    if (!(c >= u'0' && c <= u'9')) return std::u16string(1, c);
  return fallback;
}

}  // namespace

std::u16string dateSeparator() { return separatorIn(datePattern({2001, 11, 22, 0, 0, 0}, u"yMd"), u"/"); }
std::u16string timeSeparator() { return separatorIn(datePattern({2001, 11, 22, 13, 44, 55}, u"Hms"), u":"); }

}  // namespace platform::format
