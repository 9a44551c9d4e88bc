#include "platform/format/date_format.h"

#include "platform/format/date_names.h"
#include "platform/format/format_scan.h"

namespace platform::format {
namespace {

using std::u16string;
using std::u16string_view;

int dayOfYear(const DateParts& p) {
  return static_cast<int>(toOleDate({p.year, p.month, p.day, 0, 0, 0}) - toOleDate({p.year, 1, 1, 0, 0, 0})) + 1;
}

// 0 when d falls on the first day of the week
int offsetInWeek(const DateParts& d, FirstDayOfWeek firstDay) { return (weekday(d) - static_cast<int>(firstDay) + 7) % 7; }

u16string number(int n) { return scan::widen(std::to_string(n)); }

u16string twoDigits(int n) {
  n %= 100;
  return u16string{static_cast<char16_t>(u'0' + n / 10), static_cast<char16_t>(u'0' + n % 10)};
}

struct Markers {
  bool twelveHour = false;  // the section names AM/PM in one of its forms
  bool dayNumber = false;   // d or dd: month names take the form used beside a day
};

Markers markersOf(u16string_view f) {
  Markers m;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] == u'"') {
      scan::quoted(f, i, i);
    } else if (f[i] == u'\\') {
      ++i;
    } else if (scan::startsWithIgnoringCase(f, i, u"AM/PM") || scan::startsWithIgnoringCase(f, i, u"A/P") ||
               scan::startsWithIgnoringCase(f, i, u"AMPM")) {
      m.twelveHour = true;
    } else if (scan::lower(f[i]) == u'd') {
      std::size_t n = 0;
      while (i + n < f.size() && scan::lower(f[i + n]) == u'd') ++n;
      if (n <= 2) m.dayNumber = true;
      i += n - 1;
    }
  }
  return m;
}

}  // namespace

int weekOfYear(const DateParts& p, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek) {
  const int jan1 = offsetInWeek({p.year, 1, 1, 0, 0, 0}, firstDay);  // days of the first calendar week before 1 January
  int week = (dayOfYear(p) - 1 + jan1) / 7 + 1;
  if (firstWeek == FirstWeekOfYear::FirstFourDays && jan1 > 3) --week;
  if (firstWeek == FirstWeekOfYear::FirstFullWeek && jan1 > 0) --week;
  if (week < 1) return weekOfYear({p.year - 1, 12, 31, 0, 0, 0}, firstDay, firstWeek);
  return week;
}

namespace {

// What the locale renders for the date is the same for every code of a
// section, so each is asked of ICU once per call: a long run of `c` or
// `dddddd` then costs an append per code.
class LocaleTexts {
 public:
  enum Kind { General, DayAbbreviated, DayFull, ShortDate, LongDate, Time, Marker, DateSeparator, TimeSeparator, Count };

  LocaleTexts(const DateParts& p, double oleDate) : p_(p), oleDate_(oleDate) {}

  const u16string& get(Kind k) {
    auto& slot = texts_[k];
    if (!slot) slot = make(k);
    return *slot;
  }

  // Month names depend on two flags as well, so they have slots of their own.
  const u16string& month(bool abbreviated, bool withDay) {
    auto& slot = months_[abbreviated][withDay];
    if (!slot) slot = monthName(p_.month, abbreviated, withDay);
    return *slot;
  }

 private:
  u16string make(Kind k) const {
    switch (k) {
      case General: return dateText(oleDate_);
      case DayAbbreviated: return dayName(weekday(p_), true);
      case DayFull: return dayName(weekday(p_), false);
      case ShortDate: return datePattern(p_, u"yMd");
      case LongDate: return datePattern(p_, u"yMMMMEEEEd");
      case Time: return datePattern(p_, u"jms");
      case Marker: return amPm(p_.hour >= 12);
      case DateSeparator: return dateSeparator();
      case TimeSeparator: return timeSeparator();
      case Count: break;
    }
    return {};
  }

  const DateParts& p_;
  double oleDate_;
  std::optional<u16string> texts_[Count];
  std::optional<u16string> months_[2][2];
};

// The longest code is six letters (dddddd); a longer run of one letter reads
// as several codes, so counting further than that only costs time.
constexpr std::size_t kLongestCode = 6;

}  // namespace

std::optional<u16string> formatDateSection(double oleDate, u16string_view f, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek) {
  if (!isOleDateInRange(oleDate)) return std::nullopt;
  const DateParts p = fromOleDate(oleDate);
  const Markers markers = markersOf(f);
  const int hour = markers.twelveHour ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
  LocaleTexts texts(p, oleDate);
  u16string out;
  bool afterHour = false;  // m and mm right after h or hh are minutes
  for (std::size_t i = 0; i < f.size();) {
    const char16_t c = f[i];
    const char16_t l = scan::lower(c);
    std::size_t n = 0;
    while (n < kLongestCode && i + n < f.size() && scan::lower(f[i + n]) == l) ++n;
    bool hourCode = false;
    if (c == u'"') {
      std::size_t close = 0;
      out += scan::quoted(f, i, close);
      i = close + 1;
      continue;
    } else if (c == u'\\' && i + 1 < f.size()) {
      out += f[i + 1];
      i += 2;
      continue;
    } else if (scan::startsWithIgnoringCase(f, i, u"AM/PM")) {
      const bool upper = c == u'A';
      out += p.hour < 12 ? (upper ? u"AM" : u"am") : (upper ? u"PM" : u"pm");
      n = 5;
    } else if (scan::startsWithIgnoringCase(f, i, u"A/P")) {
      const bool upper = c == u'A';
      out += p.hour < 12 ? (upper ? u"A" : u"a") : (upper ? u"P" : u"p");
      n = 3;
    } else if (scan::startsWithIgnoringCase(f, i, u"AMPM")) {
      out += texts.get(LocaleTexts::Marker);
      n = 4;
    } else if (l == u'd') {
      n = std::min<std::size_t>(n, 6);
      if (n == 1) out += number(p.day);
      else if (n == 2) out += twoDigits(p.day);
      else if (n == 3) out += texts.get(LocaleTexts::DayAbbreviated);
      else if (n == 4) out += texts.get(LocaleTexts::DayFull);
      else if (n == 5) out += texts.get(LocaleTexts::ShortDate);
      else out += texts.get(LocaleTexts::LongDate);
    } else if (l == u'm') {
      n = std::min<std::size_t>(n, 4);
      if (afterHour && n <= 2) out += n == 1 ? number(p.minute) : twoDigits(p.minute);
      else if (n == 1) out += number(p.month);
      else if (n == 2) out += twoDigits(p.month);
      else out += texts.month(n == 3, n == 4 && markers.dayNumber);
    } else if (l == u'y') {
      n = std::min<std::size_t>(n, 4);
      if (n == 1) out += number(dayOfYear(p));
      else if (n <= 3) out += twoDigits(p.year);
      else out += number(p.year);
    } else if (l == u'h') {
      n = std::min<std::size_t>(n, 2);
      out += n == 1 ? number(hour) : twoDigits(hour);
      hourCode = true;
    } else if (l == u'n') {
      n = std::min<std::size_t>(n, 2);
      out += n == 1 ? number(p.minute) : twoDigits(p.minute);
    } else if (l == u's') {
      n = std::min<std::size_t>(n, 2);
      out += n == 1 ? number(p.second) : twoDigits(p.second);
    } else if (l == u'w') {
      n = std::min<std::size_t>(n, 2);
      out += number(n == 1 ? offsetInWeek(p, firstDay) + 1 : weekOfYear(p, firstDay, firstWeek));
    } else if (l == u'q') {
      n = 1;
      out += number((p.month - 1) / 3 + 1);
    } else if (l == u't' && n >= 5) {
      n = 5;
      out += texts.get(LocaleTexts::Time);
    } else if (l == u'c') {
      n = 1;
      out += texts.get(LocaleTexts::General);
    } else if (c == u'/') {
      n = 1;
      out += texts.get(LocaleTexts::DateSeparator);
    } else if (c == u':' || c == u' ') {
      if (c == u':') out += texts.get(LocaleTexts::TimeSeparator);
      else out += u' ';
      ++i;
      continue;  // "h:mm" and "h mm" still show minutes
    } else {
      n = 1;
      out += c;
    }
    afterHour = hourCode;
    i += n;
  }
  return out;
}

}  // namespace platform::format
