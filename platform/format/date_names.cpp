#include "platform/format/date_names.h"

#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/format/icu_text.h"

namespace platform::format {
namespace {

struct Names {
  std::vector<std::u16string> months[2][2];  // [abbreviated][withDay], 12 each
  std::vector<std::u16string> days[2];       // [abbreviated], Sunday first
  std::u16string am = u"AM", pm = u"PM";
  std::u16string dateSeparator = u"/", timeSeparator = u":";
};

std::vector<std::u16string> list(const icu::UnicodeString* items, int32_t count, int32_t from) {
  std::vector<std::u16string> out;
  for (int32_t i = from; i < count; ++i) out.push_back(fromIcu(items[i]));
  return out;
}

// ICU objects are costly to build and the same few serve every label, so
// they live per locale for the process. Date formats are not safe to share
// between threads, hence one lock around their use.
struct LocaleDates {
  Names names;
  std::unique_ptr<icu::GregorianCalendar> calendar;
  std::unique_ptr<icu::DateTimePatternGenerator> generator;
  std::map<std::u16string, std::unique_ptr<icu::SimpleDateFormat>> formats;
  icu::Locale locale;
};

std::mutex datesMutex;

std::u16string formatLocked(LocaleDates& d, const DateParts& p, const char16_t* skeleton);

std::u16string firstNonDigit(const std::u16string& text, const std::u16string& fallback) {
  for (char16_t c : text)
    if (!(c >= u'0' && c <= u'9')) return std::u16string(1, c);
  return fallback;
}

LocaleDates& localeDates() {  // datesMutex held
  static std::map<std::string, std::unique_ptr<LocaleDates>> cache;
  const std::string name = locale::localeName(locale::Category::Time);
  auto& slot = cache[name];
  if (slot) return *slot;
  slot = std::make_unique<LocaleDates>();
  LocaleDates& d = *slot;
  d.locale = icu::Locale(name.c_str());
  UErrorCode status = U_ZERO_ERROR;
  d.calendar = std::make_unique<icu::GregorianCalendar>(*icu::TimeZone::getGMT(), d.locale, status);
  // proleptic Gregorian, as OLE dates are
  d.calendar->setGregorianChange(-std::numeric_limits<double>::max(), status);
  status = U_ZERO_ERROR;
  d.generator.reset(icu::DateTimePatternGenerator::createInstance(d.locale, status));
  if (U_FAILURE(status)) d.generator.reset();

  status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(d.locale, status);
  if (U_SUCCESS(status)) {
    using S = icu::DateFormatSymbols;
    int32_t n = 0;
    const S::DtWidthType widths[2] = {S::WIDE, S::ABBREVIATED};
    for (int a = 0; a < 2; ++a) {
      const auto* standalone = symbols.getMonths(n, S::STANDALONE, widths[a]);
      d.names.months[a][0] = list(standalone, n, 0);
      const auto* format = symbols.getMonths(n, S::FORMAT, widths[a]);
      d.names.months[a][1] = list(format, n, 0);
      const auto* days = symbols.getWeekdays(n, S::FORMAT, widths[a]);
      d.names.days[a] = list(days, n, 1);  // ICU's list starts with an empty entry
    }
    const auto* marks = symbols.getAmPmStrings(n);
    if (n >= 2) {
      d.names.am = fromIcu(marks[0]);
      d.names.pm = fromIcu(marks[1]);
    }
  }
  d.names.dateSeparator = firstNonDigit(formatLocked(d, {2001, 11, 22, 0, 0, 0}, u"yMd"), u"/");
  d.names.timeSeparator = firstNonDigit(formatLocked(d, {2001, 11, 22, 13, 44, 55}, u"Hms"), u":");
  return d;
}

std::u16string formatLocked(LocaleDates& d, const DateParts& p, const char16_t* skeleton) {
  auto& format = d.formats[skeleton];
  if (!format) {
    if (!d.generator) return {};
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString pattern = d.generator->getBestPattern(icu::UnicodeString(skeleton), status);
    if (U_FAILURE(status)) return {};
    format = std::make_unique<icu::SimpleDateFormat>(pattern, d.locale, status);
    if (U_FAILURE(status)) {
      format.reset();
      return {};
    }
    format->setCalendar(*d.calendar);
  }
  d.calendar->clear();
  d.calendar->set(p.year, p.month - 1, p.day, p.hour, p.minute, p.second);
  icu::UnicodeString out;
  icu::FieldPosition position;
  format->format(*d.calendar, out, position);
  return plainSpaces(fromIcu(out));
}

std::u16string pick(const std::vector<std::u16string>& names, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < names.size() ? names[static_cast<std::size_t>(index)] : std::u16string();
}

}  // namespace

std::u16string monthName(int month, bool abbreviated, bool withDay) {
  std::lock_guard lock(datesMutex);
  return pick(localeDates().names.months[abbreviated ? 1 : 0][withDay ? 1 : 0], month - 1);
}

std::u16string dayName(int weekday, bool abbreviated) {
  std::lock_guard lock(datesMutex);
  return pick(localeDates().names.days[abbreviated ? 1 : 0], weekday - 1);
}

std::u16string amPm(bool pm) {
  std::lock_guard lock(datesMutex);
  const auto& names = localeDates().names;
  return pm ? names.pm : names.am;
}

std::u16string dateSeparator() {
  std::lock_guard lock(datesMutex);
  return localeDates().names.dateSeparator;
}

std::u16string timeSeparator() {
  std::lock_guard lock(datesMutex);
  return localeDates().names.timeSeparator;
}

std::u16string datePattern(const DateParts& p, const char16_t* skeleton) {
  std::lock_guard lock(datesMutex);
  return formatLocked(localeDates(), p, skeleton);
}

int weekday(const DateParts& p) {
  const double days = std::floor(toOleDate({p.year, p.month, p.day, 0, 0, 0}));
  // 30 December 1899, day 0, was a Saturday
  int w = static_cast<int>(std::fmod(days + 6.0, 7.0));
  if (w < 0) w += 7;
  return w + 1;
}

}  // namespace platform::format
