// Format instructions: which kind of format they are and which section
// applies to the value.
#include "platform/format/date_format.h"
#include "platform/format/format_scan.h"
#include "platform/format/named_formats.h"
#include "platform/format/number_section.h"
#include "platform/format/text_format.h"
#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"

namespace platform::format {
namespace {

using std::u16string;

constexpr std::u16string_view kDateCodes = u"dmyhnswqctDMYHNSWQCT/:";

std::optional<double> numberOf(const com::Variant& v) {
  if (v.isNumber() || v.isBool()) return v.toDouble();
  if (v.isDate()) return v.oleDate();
  if (v.isText()) {
    double d = 0;
    if (locale::isNumeric(v.text(), &d)) return d;
  }
  return std::nullopt;
}

// What a number or date format does with a value it can't read: text stays
// as it is, as automation returns it; anything else can't be shown.
std::optional<u16string> unchanged(const com::Variant& value) {
  return value.isText() ? std::optional(value.text()) : std::nullopt;
}

}  // namespace

std::optional<u16string> format(const com::Variant& value, std::u16string_view f, FirstDayOfWeek firstDay,
                                FirstWeekOfYear firstWeek) {
  if (value.isObject()) return std::nullopt;
  if (f.empty()) return toText(value);
  const auto number = numberOf(value);
  const bool isNull = value.isNull() || value.isEmpty();

  if (auto named = formatNamed(number, f, firstDay, firstWeek); named.named) return named.text;

  const auto sections = scan::sections(f);
  const bool textCodes = scan::hasCode(f, u"@&");
  const bool numberCodes = scan::hasCode(f, u"0#%") || (scan::hasCode(f, u"Ee") && !scan::hasCode(f, kDateCodes));
  // < > ! make a text format unless number or date codes say otherwise
  if (textCodes || (!numberCodes && !scan::hasCode(f, kDateCodes) && scan::hasCode(f, u"<>!"))) {
    if (isNull) return sections.size() >= 2 ? formatTextSection(u"", sections[1]) : u16string();
    const u16string text = toText(value);
    if (text.empty() && sections.size() >= 2) return formatTextSection(u"", sections[1]);
    return formatTextSection(text, sections[0]);
  }
  if (numberCodes) {
    if (isNull) return formatNumberSections(0, sections, true);
    if (!number) return unchanged(value);
    return formatNumberSections(*number, sections, false);
  }
  if (scan::hasCode(f, kDateCodes)) {
    if (isNull || !number) return unchanged(value);
    return formatDateSection(*number, sections[0], firstDay, firstWeek);
  }
  // literals only: sections still choose by sign
  if (isNull) return formatNumberSections(0, sections, true);
  if (number) return formatNumberSections(*number, sections, false);
  return unchanged(value);
}

}  // namespace platform::format
