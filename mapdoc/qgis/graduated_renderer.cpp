#include "mapdoc/qgis/graduated_renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/qgis/qgis_values.h"
#include "mapdoc/renderers/clause_text.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {
namespace {

struct Bounds {
  double lower, upper;
  bool holds(double x) const { return lower <= x && x <= upper; }
};

// The first range, in QGIS's order, holding a value. Between two adjacent
// bounds of any range, and on each bound, that range is the same for every
// value, so it is worked out once for each and a value costs one binary
// search, whatever the number of ranges.
struct RangeIndex {
  std::vector<double> bounds;  // every range's bounds, rising, once each
  std::vector<int> onBound;    // the range of a value on bound j
  std::vector<int> between;    // the range of a value between bounds j and j + 1

  explicit RangeIndex(const std::vector<Bounds>& ranges) {
    for (const auto& r : ranges) {
      bounds.push_back(r.lower);
      bounds.push_back(r.upper);
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    auto first = [&](auto&& holds) {
      for (std::size_t i = 0; i < ranges.size(); ++i)
        if (holds(ranges[i])) return static_cast<int>(i);
      return -1;
    };
    for (std::size_t j = 0; j < bounds.size(); ++j) {
      onBound.push_back(first([&](const Bounds& r) { return r.holds(bounds[j]); }));
      if (j + 1 < bounds.size())
        between.push_back(first([&](const Bounds& r) { return r.lower <= bounds[j] && bounds[j + 1] <= r.upper; }));
    }
  }

  int rangeOf(double x) const {
    if (std::isnan(x)) return -1;
    const auto at = std::lower_bound(bounds.begin(), bounds.end(), x);
    if (at == bounds.end()) return -1;  // above every range
    const auto j = static_cast<std::size_t>(at - bounds.begin());
    if (*at == x) return onBound[j];
    return j == 0 ? -1 : between[j - 1];  // below every range, or between bounds j - 1 and j
  }

  // The same as groups of a data source's "Breaks" grouping: each bound
  // alone, (just below it, bound], and each stretch between two bounds,
  // (bound, just below the next]. nullopt with a bound that is not finite.
  std::optional<host::RecordGrouping> grouping(const host::Text& field) const {
    host::RecordGrouping g{host::RecordGrouping::Kind::Breaks, {field}, {}, {}};
    for (std::size_t j = 0; j < bounds.size(); ++j) {
      if (!std::isfinite(bounds[j])) return std::nullopt;
      const double below = std::nextafter(bounds[j], -std::numeric_limits<double>::infinity());
      if (g.uppers.empty() || below > g.uppers.back()) {
        // (the bound before, just below this one]; group 0: below every range
        g.uppers.push_back(below);
        g.classOfGroup.push_back(j == 0 ? -1 : between[j - 1]);
      }
      g.uppers.push_back(bounds[j]);
      g.classOfGroup.push_back(onBound[j]);
    }
    return g;
  }
};

std::vector<Bounds> boundsOf(const std::vector<GraduatedRenderer::Range>& ranges) {
  std::vector<Bounds> out;
  for (const auto& r : ranges) out.push_back({r.lower, r.upper});
  return out;
}

class RangeClassifier : public com::Object<host::IRecordClassifier> {
 public:
  RangeClassifier(int position, data::ValueKind kind, const std::vector<Bounds>& ranges)
      : position_(position), kind_(kind), index_(ranges) {}
  int ClassOf(host::IRowBuffer* row) override {
    const auto x = rangeNumber(row->Value(position_), kind_);
    return x ? index_.rangeOf(*x) : -1;
  }

 private:
  int position_;
  data::ValueKind kind_;
  RangeIndex index_;
};

std::string within(const std::string& ref, const Bounds& b) {
  return "(" + ref + " >= " + sqlNumber(b.lower) + " AND " + ref + " <= " + sqlNumber(b.upper) + ")";
}

}  // namespace

GraduatedRenderer::GraduatedRenderer(host::Text field, std::string expression, std::vector<Range> ranges)
    : field_(std::move(field)), expression_(std::move(expression)), ranges_(std::move(ranges)) {}

host::Text GraduatedRenderer::Field() { return field_.empty() ? text::fromUtf8(expression_) : field_; }

GraduatedRenderer::Range& GraduatedRenderer::at(int index) {
  if (index < 0 || index >= BreakCount()) data::throwHostError("break index " + std::to_string(index) + " is out of range");
  return ranges_[static_cast<std::size_t>(index)];
}

double GraduatedRenderer::MinimumBreak() {
  double lowest = ranges_.empty() ? 0 : ranges_.front().lower;
  for (const auto& r : ranges_) lowest = std::min(lowest, r.lower);
  return lowest;
}

host::Text GraduatedRenderer::WhereClause(int index, host::ITable* table) {
  const Range& range = at(index);
  if (qgisClasses_) return qgisClasses_.clause(table, {range.qgis.legendItem}, false);
  if (!QgisOnly().empty()) data::throwHostError(QgisOnly() + ", which only QGIS can evaluate");
  const int type = fieldType(table, field_);
  if (type == host::FieldTypeOther) data::throwHostError("the renderer's field \"" + text::toUtf8(field_) + "\" is not in the table");
  if (type > host::FieldTypeDouble && type != host::FieldTypeOID)
    data::throwHostError("ranges over the field \"" + text::toUtf8(field_) +
                         "\" hold what QGIS reads as numbers of its values, which no clause selects");
  const std::string ref = fieldRef(table, field_);
  // In its own bounds, and in none of an earlier range that overlaps it.
  std::string clause = within(ref, {range.lower, range.upper});
  for (int j = 0; j < index; ++j) {
    const Range& earlier = ranges_[static_cast<std::size_t>(j)];
    if (earlier.upper < range.lower || earlier.lower > range.upper) continue;
    clause += " AND NOT " + within(ref, {earlier.lower, earlier.upper});
  }
  return text::fromUtf8(clause);
}

std::vector<host::Text> GraduatedRenderer::ClassifierFields() {
  if (qgisClasses_) return {qgisClasses_.idField()};
  return {field_};
}

host::Ref<host::IRecordClassifier> GraduatedRenderer::Classifier(host::ITable* table) {
  if (qgisClasses_) {
    std::vector<QgisClass> classes;
    for (const auto& r : ranges_) classes.push_back(r.qgis);
    return qgisClasses_.classifier(table, classes, -1);
  }
  if (!QgisOnly().empty()) data::throwHostError(QgisOnly() + ", which only QGIS can evaluate");
  auto cls = com::query<host::IClass>(table);
  const int position = cls ? cls->FindField(field_) : -1;
  if (position < 0) data::throwHostError("the renderer's field \"" + text::toUtf8(field_) + "\" is not in the table");
  auto kinds = com::query<data::IFieldKinds>(cls->Fields().get());
  return com::make<RangeClassifier>(position, kinds ? kinds->Kind(position) : data::ValueKind::Other, boundsOf(ranges_));
}

std::optional<host::RecordGrouping> GraduatedRenderer::Grouping(host::ITable* table) {
  if (qgisClasses_ || !QgisOnly().empty()) return std::nullopt;  // by feature ID: nothing to group by
  // QGIS reads numbers in text as no data source does
  const int type = fieldType(table, field_);
  if (type > host::FieldTypeDouble && type != host::FieldTypeOID) return std::nullopt;
  return RangeIndex(boundsOf(ranges_)).grouping(field_);
}

std::string GraduatedRenderer::QgisOnly() {
  if (qgisClasses_ || !field_.empty()) return {};
  return "its ranges are on the expression " + expression_;
}

std::vector<host::Text> GraduatedRenderer::ReadFields() {
  if (field_.empty()) return {};
  return {field_};
}

}  // namespace mapdoc::qgis
