#include "platform/format/date_format.h"
#include "platform/format/date_names.h"
#include "platform/format/value_text.h"

namespace platform::format {

// As automation shows dates: the short date when there is no time of day,
// the time alone on day 0 (30 December 1899, so 0 is "12:00:00 AM"), both
// otherwise. Outside the date range the number itself.
std::u16string dateText(double oleDate) {
  if (!isOleDateInRange(oleDate)) return numberText(oleDate);
  const auto p = fromOleDate(oleDate);
  const bool hasTime = p.hour || p.minute || p.second;
  const bool hasDate = !(p.year == 1899 && p.month == 12 && p.day == 30);
  if (!hasDate) return datePattern(p, u"jms");
  if (!hasTime) return datePattern(p, u"yMd");
  return datePattern(p, u"yMd") + u" " + datePattern(p, u"jms");
}

std::u16string toText(const com::Variant& value) {
  using Kind = com::Variant::Kind;
  switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null:
    case Kind::Object: return u"";
    case Kind::Int16: return numberText(value.int16());
    case Kind::Int32: return numberText(value.int32());
    case Kind::Double: return numberText(value.real());
    case Kind::Date: return dateText(value.oleDate());
    case Kind::Bool: return value.boolean() ? u"True" : u"False";
    case Kind::Text: return value.text();
  }
  return u"";
}

}  // namespace platform::format
