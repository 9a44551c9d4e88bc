#include "engine/class_walk.h"

#include <algorithm>
#include <cmath>

#include "engine/grouped_summaries.h"
#include "engine/text_compare.h"
#include "platform/progress/progress.h"
#include "platform/stats/running_statistics.h"

namespace engine {
namespace {

// Progress is reported about every percent, at least every this many records.
constexpr std::int64_t kProgressAtMost = 8192;

struct FieldState {
  com::Variant first, last;
  platform::stats::RunningStatistics stats;
};

struct ClassState {
  std::int32_t count = 0;
  std::int64_t firstPlace = 0, lastPlace = 0;
};

struct FieldInfo {
  std::u16string name;
  int position = -1;
  bool numeric = false;
  WantedSummaries wanted;
};

// How many records the walk reads at most, where that is known without
// reading them (a definition query may pass fewer); -1 when unknown.
std::int64_t expectedRecords(const RecordSource& source) {
  if (source.walkIds) return static_cast<std::int64_t>(source.walkIds->size());
  if (source.walkSet) return source.walkSet->Count();
  auto size = source.table.as<host::ITableSize>();
  return size ? size->KnownRowCount() : -1;
}

// The field list of a query filter: each name once.
std::u16string subFields(const std::vector<std::u16string>& names) {
  std::vector<std::u16string> seen;
  std::u16string out;
  for (const auto& n : names) {
    bool known = false;
    for (const auto& s : seen) known = known || equalsNoCase(s, n);
    if (known) continue;
    seen.push_back(n);
    out += (out.empty() ? u"" : u",") + n;
  }
  return out;
}

FieldSummary summaryOf(const FieldInfo& info, const ClassState& c, const FieldState& f) {
  FieldSummary out;
  out.First = f.first;
  out.Last = f.last;
  out.Count = recordCount(c.count);
  if (info.numeric) {
    out.Maximum = f.stats.maximum();
    out.Average = f.stats.mean();
    out.Minimum = f.stats.minimum();
    out.Sum = f.stats.sum();
    // Without the squares (nobody asked for the spread) it reads 0.
    const double sd = info.wanted.spread ? f.stats.standardDeviation() : 0.0;
    out.StdDev = sd;
    out.Variance = std::pow(sd, 2.0);
  }
  return out;
}

}  // namespace

std::vector<WantedSummaries> wantedSummaries(const ExpressionPieceList& pieces, const std::vector<std::u16string>& names) {
  std::vector<WantedSummaries> out(names.size());
  for (const auto& piece : pieces) {
    if (!equalsNoCase(piece.kind, kPieceField) || piece.statements.empty()) continue;
    const auto& key = piece.statements.front().name;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!equalsNoCase(names[i], piece.content)) continue;
      if (equalsNoCase(key, u"First")) {
        out[i].first = true;
      } else if (equalsNoCase(key, u"Last")) {
        out[i].last = true;
      } else if (!equalsNoCase(key, u"Count")) {
        out[i].statistics = true;
        out[i].spread = out[i].spread || equalsNoCase(key, u"StdDev") || equalsNoCase(key, u"Variance");
      }
    }
  }
  return out;
}

std::vector<SummarySet> summariseInOneWalk(const RecordSource& source, const std::u16string& whereClause,
                                           const std::vector<std::u16string>& names,
                                           const std::vector<WantedSummaries>& wanted, RecordClasses& classes,
                                           int classCount, std::int32_t sampleRate, bool stopOnEmpty) {
  const std::size_t count = classCount > 0 ? static_cast<std::size_t>(classCount) : 0;
  std::vector<SummarySet> sets(count);
  // An expression without fields reads no records.
  if (names.empty()) return sets;
  if (auto grouped = summariseByGroups(source, whereClause, names, wanted, classes, classCount, sampleRate, stopOnEmpty))
    return std::move(*grouped);

  std::vector<FieldInfo> fields;
  for (std::size_t i = 0; i < names.size(); ++i) {
    FieldInfo info;
    info.name = names[i];
    info.position = source.fieldPosition(names[i]);
    info.numeric = isNumericFieldType(source.fieldType(info.position));
    info.wanted = wanted.empty() ? WantedSummaries{true, true, true, true} : wanted[i];
    fields.push_back(std::move(info));
  }
  std::vector<ClassState> state(count);
  // Class i's fields at i * fields.size(): one block, no list per class.
  std::vector<FieldState> fieldState(count * fields.size());

  auto filter = newQueryFilter(whereClause);
  std::vector<std::u16string> read = names;
  for (auto& f : classes.fields()) read.push_back(f);
  filter->SubFields(subFields(read));
  auto cursor = source.search(filter.get());

  const std::int64_t expected = expectedRecords(source);
  const std::int64_t step = expected > 0 ? std::clamp<std::int64_t>(expected / 100, 1, kProgressAtMost) : kProgressAtMost;
  std::int64_t records = 0;
  RecordOrder order;
  std::vector<int> in;
  while (auto row = cursor->NextRow()) {
    ++records;
    if (records % step == 0)
      platform::progress::report(static_cast<int>(records), expected < 0 ? 0 : static_cast<int>(std::max(expected, records)));
    in.clear();
    classes.classify(*row, in);
    if (in.empty()) continue;
    const std::int64_t place = order.place(*row);
    for (int ci : in) {
      if (ci < 0 || static_cast<std::size_t>(ci) >= count) continue;
      ClassState& c = state[static_cast<std::size_t>(ci)];
      const bool isFirst = c.count == 0 || place < c.firstPlace;
      const bool isLast = c.count == 0 || place > c.lastPlace;
      const bool sampled = platform::stats::inSample(c.count, sampleRate);
      ++c.count;
      if (isFirst) c.firstPlace = place;
      if (isLast) c.lastPlace = place;
      FieldState* classFields = fieldState.data() + static_cast<std::size_t>(ci) * fields.size();
      for (std::size_t k = 0; k < fields.size(); ++k) {
        const FieldInfo& info = fields[k];
        FieldState& f = classFields[k];
        const bool wantFirst = isFirst && info.wanted.first, wantLast = isLast && info.wanted.last;
        const bool wantStats = info.numeric && info.wanted.statistics && sampled;
        if (!wantFirst && !wantLast && !wantStats) continue;
        const host::Value v = row->Value(info.position);
        if (wantFirst) f.first = v;
        if (wantLast) f.last = v;
        if (wantStats && !v.isNull() && !v.isEmpty()) {
          if (!v.isNumber() && !v.isDate() && !v.isBool())
            throw com::Error(com::E_FAIL, u"field \"" + info.name + u"\" is not numeric");
          f.stats.add(v.toDouble(), info.wanted.spread);
        }
      }
    }
  }
  platform::progress::report(static_cast<int>(records), static_cast<int>(records));

  for (std::size_t i = 0; i < count; ++i) {
    if (state[i].count == 0 && stopOnEmpty) {
      sets[i].skipped = true;
      continue;
    }
    for (std::size_t k = 0; k < fields.size(); ++k)
      sets[i].fields.emplace_back(fields[k].name, summaryOf(fields[k], state[i], fieldState[i * fields.size() + k]));
  }
  return sets;
}

}  // namespace engine
