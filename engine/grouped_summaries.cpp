#include "engine/grouped_summaries.h"

#include <algorithm>
#include <cmath>

#include "platform/progress/progress.h"

namespace engine {
namespace {

// A row holding a Values group's key at its fields' positions, for the
// classes to classify as they would a record.
class KeyRow : public com::Object<host::IRow> {
 public:
  KeyRow(std::vector<int> positions, host::Ref<host::IFields> fields)
      : positions_(std::move(positions)), fields_(std::move(fields)) {}
  void fill(const std::vector<host::Value>& key) { key_ = &key; }
  host::Value Value(int index) override {
    for (std::size_t i = 0; i < positions_.size() && i < key_->size(); ++i)
      if (positions_[i] == index) return (*key_)[i];
    return host::Value();
  }
  host::Ref<host::IFields> Fields() override { return fields_; }
  bool HasOID() override { return false; }
  std::int32_t OID() override { return 0; }

 private:
  std::vector<int> positions_;
  host::Ref<host::IFields> fields_;
  const std::vector<host::Value>* key_ = nullptr;
};

// A class's summaries as its groups are merged into it.
struct ClassTotals {
  std::int64_t count = 0;
  std::int32_t firstId = 0, lastId = 0;
  std::vector<host::FieldGroupSummary> fields;
  std::vector<double> means;  // per field, for merging the spreads

  void add(const host::GroupSummary& g) {
    if (count == 0 || g.firstId < firstId) {
      firstId = g.firstId;
      for (std::size_t k = 0; k < fields.size(); ++k) fields[k].first = g.fields[k].first;
    }
    if (count == 0 || g.lastId > lastId) {
      lastId = g.lastId;
      for (std::size_t k = 0; k < fields.size(); ++k) fields[k].last = g.fields[k].last;
    }
    count += g.count;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      host::FieldGroupSummary& f = fields[k];
      const host::FieldGroupSummary& h = g.fields[k];
      if (h.count == 0) continue;
      const double hMean = h.sum / static_cast<double>(h.count);
      if (f.count == 0) {
        f.minimum = h.minimum;
        f.maximum = h.maximum;
        f.sum = h.sum;
        f.squaredDeviations = h.squaredDeviations;
        f.count = h.count;
        means[k] = hMean;
        continue;
      }
      // Two groups' spreads about their own means joined (Chan et al.).
      const double n = static_cast<double>(f.count), m = static_cast<double>(h.count);
      const double delta = hMean - means[k];
      f.squaredDeviations += h.squaredDeviations + delta * delta * n * m / (n + m);
      f.minimum = std::min(f.minimum, h.minimum);
      f.maximum = std::max(f.maximum, h.maximum);
      f.sum += h.sum;
      f.count += h.count;
      means[k] = f.sum / static_cast<double>(f.count);
    }
  }
};

FieldSummary summaryOf(const ClassTotals& c, std::size_t k, bool numeric, const WantedSummaries& wanted) {
  const host::FieldGroupSummary& f = c.fields[k];
  FieldSummary out;
  if (wanted.first) out.First = f.first;
  if (wanted.last) out.Last = f.last;
  out.Count = recordCount(c.count);
  if (!numeric) return out;
  // Nothing totalled reads 0, as the walk's running statistics do.
  const bool any = f.count > 0 && wanted.statistics;
  const double values = any ? static_cast<double>(f.count) : 1.0;
  const double maximum = any ? f.maximum : 0.0, minimum = any ? f.minimum : 0.0, sum = any ? f.sum : 0.0;
  const double sd = any && wanted.spread ? std::sqrt(std::max(f.squaredDeviations, 0.0) / values) : 0.0;
  out.Maximum = maximum;
  out.Average = sum / values;
  out.Minimum = minimum;
  out.Sum = sum;
  out.StdDev = sd;
  out.Variance = std::pow(sd, 2.0);
  return out;
}

}  // namespace

std::optional<std::vector<SummarySet>> summariseByGroups(const RecordSource& source, const std::u16string& whereClause,
                                                         const std::vector<std::u16string>& names,
                                                         const std::vector<WantedSummaries>& wanted,
                                                         RecordClasses& classes, int classCount,
                                                         std::int32_t sampleRate, bool stopOnEmpty) {
  // A sample is a choice of records, which only a walk makes the same way.
  if (names.empty() || sampleRate > 1) return std::nullopt;
  auto grouped = source.table.as<host::IGroupedStatistics>();
  if (!grouped) return std::nullopt;
  auto grouping = classes.grouping();
  if (!grouping) return std::nullopt;

  // No list of what is wanted: everything.
  const std::vector<WantedSummaries> asked =
      wanted.empty() ? std::vector<WantedSummaries>(names.size(), WantedSummaries{true, true, true, true}) : wanted;
  std::vector<host::GroupedField> request;
  std::vector<bool> numeric;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const WantedSummaries& w = asked[i];
    const bool isNumeric = isNumericFieldType(source.fieldType(source.fieldPosition(names[i])));
    numeric.push_back(isNumeric);
    request.push_back({names[i], w.first || w.last, isNumeric && w.statistics, isNumeric && w.spread});
  }
  std::vector<std::int32_t> ids;
  const std::vector<std::int32_t>* idsPointer = nullptr;
  if (source.walkIds) {
    ids.assign(source.walkIds->begin(), source.walkIds->end());
    idsPointer = &ids;
  } else if (source.walkSet) {
    ids = source.walkSet->IDs();
    idsPointer = &ids;
  }
  auto filter = newQueryFilter(whereClause);
  auto groups = grouped->GroupedStatistics(filter.get(), idsPointer, *grouping, request);
  if (!groups) return std::nullopt;

  const std::size_t count = classCount > 0 ? static_cast<std::size_t>(classCount) : 0;
  std::vector<ClassTotals> totals(count);
  for (auto& t : totals) {
    t.fields.resize(names.size());
    t.means.resize(names.size());
  }
  std::vector<int> positions;
  for (const auto& field : grouping->fields) positions.push_back(source.fieldPosition(field));
  auto keyRow = com::make<KeyRow>(std::move(positions), source.tableClass->Fields());
  std::vector<int> in;
  for (const auto& g : *groups) {
    if (g.count <= 0 || g.fields.size() != names.size()) continue;
    in.clear();
    switch (grouping->kind) {
      case host::RecordGrouping::Kind::All: in.push_back(0); break;
      case host::RecordGrouping::Kind::Breaks: {
        const auto& classOf = grouping->classOfGroup;
        const int c = classOf.empty() || g.breakClass < 0 ? g.breakClass
                      : static_cast<std::size_t>(g.breakClass) < classOf.size() ? classOf[static_cast<std::size_t>(g.breakClass)]
                                                                                 : -1;
        if (c >= 0) in.push_back(c);
        break;
      }
      case host::RecordGrouping::Kind::Values:
        keyRow->fill(g.key);
        classes.classify(*keyRow, in);
        break;
    }
    for (int ci : in)
      if (ci >= 0 && static_cast<std::size_t>(ci) < count) totals[static_cast<std::size_t>(ci)].add(g);
  }
  platform::progress::report(1, 1);

  std::vector<SummarySet> sets(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (totals[i].count == 0 && stopOnEmpty) {
      sets[i].skipped = true;
      continue;
    }
    for (std::size_t k = 0; k < names.size(); ++k)
      sets[i].fields.emplace_back(names[k], summaryOf(totals[i], k, numeric[k], asked[k]));
  }
  return sets;
}

}  // namespace engine
