#include "platform/format/ole_date.h"

#include <cmath>
#include <cstdint>

namespace platform::format {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

constexpr std::int64_t kOleEpoch = -25569;  // 1899-12-30 in days since 1970-01-01

}  // namespace

// Before the epoch the whole part counts days back while the fraction still
// counts time forward (-1.25 is 29 December 1899, 06:00), as automation has it.
double toOleDate(const DateParts& p) {
  const double days = static_cast<double>(daysFromCivil(p.year, static_cast<unsigned>(p.month),
                                                        static_cast<unsigned>(p.day)) -
                                          kOleEpoch);
  const double time = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
  return days >= 0 ? days + time : days - time;
}

DateParts fromOleDate(double oleDate) {
  // beyond a few million years the day count no longer fits the arithmetic
  if (!std::isfinite(oleDate) || std::fabs(oleDate) > 1e12) return {};
  const double whole = std::trunc(oleDate);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(oleDate - whole) * 86400.0));
  auto days = static_cast<std::int64_t>(whole);
  if (seconds >= 86400) {  // rounding carried into the next day
    seconds -= 86400;
    days += oleDate < 0 ? -1 : 1;
  }
  DateParts p;
  civilFromDays(days + kOleEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  return p;
}

}  // namespace platform::format
