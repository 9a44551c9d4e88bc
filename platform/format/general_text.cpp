#include "platform/format/date_names.h"
#include "platform/format/value_text.h"

namespace platform::format {

// A date alone shows as the short date, a time alone (day 0) as the time,
// both together as both.
std::u16string dateText(double oleDate) {
  const auto p = fromOleDate(oleDate);
  const bool hasTime = p.hour || p.minute || p.second;
  const bool hasDate = !(p.year == 1899 && p.month == 12 && p.day == 30);
  if (!hasTime) return datePattern(p, u"yMd");
  if (!hasDate) return datePattern(p, u"jms");
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
