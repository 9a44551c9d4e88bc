#include "platform/format/named_formats.h"

#include "platform/format/date_format.h"
#include "platform/format/format_scan.h"
#include "platform/format/number_section.h"

namespace platform::format {
namespace {

enum class Kind { Number, Date, Words, GeneralNumber, Currency, GeneralDate };

struct Named {
  const char16_t* name;
  Kind kind;
  const char16_t* instructions;  // for Number and Date; for Words "zero;other"
};

// en_US shapes of automation's named formats; the Short and Long forms come
// from the locale through ddddd, dddddd and ttttt.
constexpr Named kNamed[] = {
    {u"General Number", Kind::GeneralNumber, nullptr},
    {u"Currency", Kind::Currency, nullptr},
    {u"Fixed", Kind::Number, u"0.00"},
    {u"Standard", Kind::Number, u"#,##0.00"},
    {u"Percent", Kind::Number, u"0.00%"},
    {u"Scientific", Kind::Number, u"0.00E+00"},
    {u"Yes/No", Kind::Words, u"No;Yes"},
    {u"True/False", Kind::Words, u"False;True"},
    {u"On/Off", Kind::Words, u"Off;On"},
    {u"General Date", Kind::GeneralDate, nullptr},
    {u"Long Date", Kind::Date, u"dddddd"},
    {u"Medium Date", Kind::Date, u"dd-mmm-yy"},
    {u"Short Date", Kind::Date, u"ddddd"},
    {u"Long Time", Kind::Date, u"ttttt"},
    {u"Medium Time", Kind::Date, u"hh:nn AMPM"},
    {u"Short Time", Kind::Date, u"hh:nn"},
};

}  // namespace

NamedFormatResult formatNamed(std::optional<double> number, std::u16string_view name, FirstDayOfWeek firstDay,
                              FirstWeekOfYear firstWeek) {
  for (const Named& n : kNamed) {
    if (!scan::equalsIgnoringCase(name, n.name)) continue;
    NamedFormatResult r{true, std::nullopt};
    if (!number) return r;
    switch (n.kind) {
      case Kind::GeneralNumber: r.text = numberText(*number); break;
      case Kind::Currency: r.text = formatCurrency(*number); break;
      case Kind::Number: r.text = formatNumberSections(*number, {n.instructions}, false); break;
      case Kind::Date: r.text = formatDateSection(*number, n.instructions, firstDay, firstWeek); break;
      case Kind::GeneralDate:
        if (isOleDateInRange(*number)) r.text = dateText(*number);
        break;
      case Kind::Words: {
        const auto words = scan::sections(n.instructions);
        r.text = *number == 0 ? words[0] : words[1];
        break;
      }
    }
    return r;
  }
  return {};
}

}  // namespace platform::format
