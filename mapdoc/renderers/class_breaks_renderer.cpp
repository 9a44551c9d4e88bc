#include "mapdoc/renderers/class_breaks_renderer.h"

#include <algorithm>
#include <cmath>

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/renderers/clause_text.h"
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
    br.upperAsRead = b.member("upper").json();
    if (!r->breaks_.empty() && br.upper <= r->breaks_.back().upper) b.member("upper").fail("breaks must rise");
    br.label = b.optional("label") ? b.member("label").utext() : text::fromUtf8(sqlNumber(br.upper));
    br.symbol = readSymbolMember(b);
    r->breaks_.push_back(std::move(br));
  }
  if (r->breaks_.empty()) breaks.fail("a class-breaks renderer needs at least one break");
  if (auto m = json.optional("min_break")) {
    r->minBreak_ = m->number();
    r->minBreakAsRead_ = m->json();
  } else {
    r->minBreak_ = r->breaks_.front().upper;
  }
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

namespace {

// The class of a value as the where clauses select it: above the break
// below, up to and including its own; class 0 from the minimum break.
class BreakClassifier : public com::Object<host::IRecordClassifier> {
 public:
  BreakClassifier(int field, int normField, double minBreak, std::vector<double> uppers)
      : field_(field), normField_(normField), minBreak_(minBreak), uppers_(std::move(uppers)) {}
  int ClassOf(host::IRowBuffer* row) override {
    const host::Value v = row->Value(field_);
    if (!v.isNumber()) return -1;
    double x = v.toDouble();
    if (normField_ >= 0) {
      const host::Value n = row->Value(normField_);
      if (!n.isNumber() || n.toDouble() == 0) return -1;
      x = x * 1.0 / n.toDouble();  // as the clause computes it
    }
    if (std::isnan(x)) return -1;
    const auto at = std::lower_bound(uppers_.begin(), uppers_.end(), x);
    if (at == uppers_.end() || (at == uppers_.begin() && x < minBreak_)) return -1;
    return static_cast<int>(at - uppers_.begin());
  }

 private:
  int field_, normField_;
  double minBreak_;
  std::vector<double> uppers_;
};

int requiredField(host::ITable* table, const host::Text& name) {
  auto cls = com::query<host::IClass>(table);
  const int position = cls ? cls->FindField(name) : -1;
  if (position < 0) data::throwHostError("the renderer's field \"" + toUtf8(name) + "\" is not in the table");
  return position;
}

}  // namespace

std::vector<host::Text> ClassBreaksRenderer::ClassifierFields() {
  if (normField_.empty()) return {field_};
  return {field_, normField_};
}

host::Ref<host::IRecordClassifier> ClassBreaksRenderer::Classifier(host::ITable* table) {
  std::vector<double> uppers;
  for (const auto& b : breaks_) uppers.push_back(b.upper);
  return com::make<BreakClassifier>(requiredField(table, field_), normField_.empty() ? -1 : requiredField(table, normField_),
                                    minBreak_, std::move(uppers));
}

Json ClassBreaksRenderer::ToJson(const SaveContext&) {
  Json breaks = Json::array();
  for (const auto& b : breaks_)
    breaks.push_back(composeMembers(
        b.members, {{"upper", numberJson(b.upper, b.upperAsRead)}, {"label", toUtf8(b.label)}, {"symbol", b.symbol.toJson()}}));
  Json known = {{"type", "class_breaks"}, {"field", toUtf8(field_)}};
  if (!normField_.empty()) known["normalization_field"] = toUtf8(normField_);
  // left out as it was: the first break is the default
  if (!minBreakAsRead_.is_null() || minBreak_ != breaks_.front().upper) known["min_break"] = numberJson(minBreak_, minBreakAsRead_);
  known["breaks"] = breaks;
  return composeMembers(members_, known);
}

}  // namespace mapdoc
