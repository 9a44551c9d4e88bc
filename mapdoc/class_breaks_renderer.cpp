#include "mapdoc/class_breaks_renderer.h"

#include "mapdoc/clause_text.h"
#include "mapdoc/data/gdal_session.h"
#include "platform/text/utf.h"

namespace mapdoc {

using text::toUtf8;

host::Ref<ClassBreaksRenderer> ClassBreaksRenderer::read(const JsonReader& json) {
  auto r = com::make<ClassBreaksRenderer>();
  r->members_ = json.members({"type", "field", "normalization_field", "min_break", "breaks"});
  r->field_ = json.member("field").utext();
  if (auto n = json.optional("normalization_field")) r->normField_ = n->utext();
  auto breaks = json.member("breaks");
  for (const auto& b : breaks.items()) {
    BreakClass br;
    br.members = b.members({"upper", "label", "symbol"});
    br.upper = b.member("upper").number();
    if (!r->breaks_.empty() && br.upper <= r->breaks_.back().upper) b.member("upper").fail("breaks must rise");
    br.label = b.optional("label") ? b.member("label").utext() : text::fromUtf8(sqlNumber(br.upper));
    br.symbol = readSymbolMember(b);
    r->breaks_.push_back(std::move(br));
  }
  if (r->breaks_.empty()) breaks.fail("a class-breaks renderer needs at least one break");
  r->minBreak_ = json.optional("min_break") ? json.member("min_break").number() : r->breaks_.front().upper;
  if (r->minBreak_ > r->breaks_.front().upper) json.member("min_break").fail("the minimum break lies above the first break");
  return r;
}

ClassBreaksRenderer::BreakClass& ClassBreaksRenderer::at(int index) {
  if (index < 0 || index >= BreakCount()) data::throwHostError("break index " + std::to_string(index) + " is out of range");
  return breaks_[static_cast<std::size_t>(index)];
}

host::Text ClassBreaksRenderer::WhereClause(int index, host::ITable* table) {
  const auto& b = at(index);
  std::string expr = fieldRef(table, field_), guard;
  if (!normField_.empty()) {
    const std::string norm = fieldRef(table, normField_);
    // "* 1.0" keeps the division real: SQL divides two integer fields as integers
    expr += " * 1.0 / " + norm;
    guard = norm + " <> 0 AND ";  // records without a normaliser fall in no class
  }
  const std::string lower = index == 0 ? " >= " + sqlNumber(minBreak_)
                                       : " > " + sqlNumber(breaks_[static_cast<std::size_t>(index) - 1].upper);
  return text::fromUtf8(guard + expr + lower + " AND " + expr + " <= " + sqlNumber(b.upper));
}

Json ClassBreaksRenderer::ToJson(const SaveContext&) {
  Json breaks = Json::array();
  for (const auto& b : breaks_)
    breaks.push_back(composeMembers(b.members, {{"upper", b.upper}, {"label", toUtf8(b.label)}, {"symbol", b.symbol.toJson()}}));
  Json known = {{"type", "class_breaks"}, {"field", toUtf8(field_)}};
  if (!normField_.empty()) known["normalization_field"] = toUtf8(normField_);
  known["min_break"] = minBreak_;
  known["breaks"] = breaks;
  return composeMembers(members_, known);
}

}  // namespace mapdoc
