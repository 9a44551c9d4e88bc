#pragma once
// OLE automation dates: days since 30 December 1899, the fraction the time.
namespace platform::format {

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

double toOleDate(const DateParts& parts);
DateParts fromOleDate(double oleDate);  // rounded to the nearest second

}  // namespace platform::format
