#include "engine/class_summaries.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/formatting_statements.h"
#include "engine/label_wrap.h"
#include "engine/text_compare.h"
#include "host/classes.h"
#include "platform/com/class_factory.h"
#include "platform/format/value_text.h"

namespace engine {

void objectNotSet() { throw com::Error(com::E_POINTER, u"Object variable or With block variable not set"); }
void typeMismatch() { throw com::Error(com::DISP_E_TYPEMISMATCH, u"Type mismatch"); }

namespace {
[[noreturn]] void badKey() { throw com::Error(com::E_INVALIDARG, u"Invalid procedure call or argument"); }
}  // namespace

const com::Variant& FieldSummary::get(std::u16string_view key) const {
  if (equalsNoCase(key, u"First")) return First;
  if (equalsNoCase(key, u"Last")) return Last;
  if (equalsNoCase(key, u"Count")) return Count;
  if (equalsNoCase(key, u"Maximum")) return Maximum;
  if (equalsNoCase(key, u"Average")) return Average;
  if (equalsNoCase(key, u"Minimum")) return Minimum;
  if (equalsNoCase(key, u"StdDev")) return StdDev;
  if (equalsNoCase(key, u"Sum")) return Sum;
  if (equalsNoCase(key, u"Variance")) return Variance;
  badKey();
}

const FieldSummary& SummarySet::get(std::u16string_view field) const {
  for (auto& [name, summary] : fields) {
    if (equalsNoCase(name, field)) return summary;
  }
  badKey();
}

com::Variant recordCount(std::int64_t records) {
  const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(records, std::numeric_limits<std::int32_t>::max()));
  if (n <= 32767) return com::Variant(static_cast<std::int16_t>(n));
  return com::Variant(n);
}

int RecordSource::fieldPosition(const std::u16string& name) const { return tableClass->FindField(name); }

int RecordSource::fieldType(int position) const {
  auto fields = tableClass->Fields();
  if (!fields) objectNotSet();
  auto field = fields->Field(position);
  if (!field) objectNotSet();
  return field->Type();
}

std::vector<std::u16string> expressionFields(const ExpressionPieceList& pieces) {
  std::vector<std::u16string> names;
  for (auto& piece : pieces) {
    if (!equalsNoCase(piece.kind, kPieceField)) continue;
    bool seen = false;
    for (auto& n : names) seen = seen || equalsNoCase(n, piece.content);
    if (!seen) names.push_back(piece.content);
  }
  return names;
}

RecordSource resolveRecordSource(const LabelerFields& fields, host::ILayer* layer) {
  if (!layer) objectNotSet();
  host::Ref<host::ILayer> ref(layer);
  RecordSource s;
  s.geo = require<host::IGeoFeatureLayer>(ref);
  s.renderer = s.geo->Renderer();
  auto featureLayer = require<host::IFeatureLayer>(ref);
  s.definition = require<host::IFeatureLayerDefinition>(ref);
  if (fields.TableIsJoined) {
    s.table = require<host::IDisplayTable>(ref)->DisplayTable();
  } else {
    s.table = require<host::ITable>(featureLayer->FeatureClass());
  }
  s.tableClass = require<host::IClass>(s.table);
  // A layer drawn from a definition selection set holds only those
  // records: every summary, the statistics too, reads them alone.
  s.walkSet = s.definition->DefinitionSelectionSet();
  std::shared_ptr<const std::unordered_set<std::int32_t>> narrowedIds;
  if (fields.ApplySelectionSet) {
    // The current selection narrows every summary; without one nothing
    // changes. Where the layer has a definition selection set, only the
    // selected records that the layer holds count.
    if (auto selection = ref.as<host::IFeatureSelection>()) {
      auto set = selection->SelectionSet();
      if (set && set->Count() > 0) {
        if (s.walkSet) {
          const auto layerIds = s.walkSet->IDs();
          const std::unordered_set<std::int32_t> inLayer(layerIds.begin(), layerIds.end());
          auto both = std::make_shared<std::unordered_set<std::int32_t>>();
          for (auto id : set->IDs())
            if (inLayer.count(id)) both->insert(id);
          narrowedIds = std::move(both);
        }
        s.walkSet = set;
      }
    }
  }
  if (narrowedIds) {
    s.walkIds = std::move(narrowedIds);
  } else if (s.walkSet && fields.TableIsJoined) {
    const auto ids = s.walkSet->IDs();
    s.walkIds = std::make_shared<const std::unordered_set<std::int32_t>>(ids.begin(), ids.end());
  }
  return s;
}

host::Ref<host::IQueryFilter> newQueryFilter(const std::u16string& whereClause) {
  auto filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
  filter->WhereClause(whereClause);
  return filter;
}

namespace {

host::Ref<host::ICursor> searchSet(host::ISelectionSet* set, host::IQueryFilter* filter) {
  host::Ref<host::ICursor> cursor;
  set->Search(filter, true, cursor);
  if (!cursor) objectNotSet();
  return cursor;
}

// The rows of a cursor whose object IDs are in a set.
class IdFilteredCursor : public com::Object<host::ICursor> {
 public:
  IdFilteredCursor(host::Ref<host::ICursor> rows, std::shared_ptr<const std::unordered_set<std::int32_t>> ids)
      : rows_(std::move(rows)), ids_(std::move(ids)) {}
  host::Ref<host::IRow> NextRow() override {
    while (auto row = rows_->NextRow()) {
      if (row->HasOID() && ids_->count(row->OID())) return row;
    }
    return nullptr;
  }
  host::Ref<host::IFields> Fields() override { return rows_->Fields(); }
  int FindField(const host::Text& name) override { return rows_->FindField(name); }

 private:
  host::Ref<host::ICursor> rows_;
  std::shared_ptr<const std::unordered_set<std::int32_t>> ids_;
};

}  // namespace

host::Ref<host::ICursor> RecordSource::search(host::IQueryFilter* filter) const {
  if (walkIds) {
    auto rows = table->Search(filter, true);
    if (!rows) objectNotSet();
    return com::make<IdFilteredCursor>(std::move(rows), walkIds);
  }
  if (walkSet) return searchSet(walkSet.get(), filter);
  auto rows = table->Search(filter, true);
  if (!rows) objectNotSet();
  return rows;
}

bool summariseField(const RecordSource& source, host::IQueryFilter* filter, const std::u16string& name,
                    std::int32_t sampleRate, bool stopOnEmpty, FieldSummary& out) {
  const int position = source.fieldPosition(name);
  const int type = source.fieldType(position);

  host::Ref<host::ICursor> cursor = source.search(filter);
  std::int32_t count = 0;
  com::Variant first, last;
  RecordOrder order;
  while (auto row = cursor->NextRow()) {
    const auto place = order.place(*row);
    if (count == 0 || place < order.first) {
      first = row->Value(position);
      order.first = place;
    }
    if (count == 0 || place > order.last) {
      last = row->Value(position);
      order.last = place;
    }
    ++count;
  }
  if (count == 0 && stopOnEmpty) return false;
  out = FieldSummary{};
  out.First = std::move(first);
  out.Last = std::move(last);
  out.Count = recordCount(count);

  if (isNumericFieldType(type)) {
    host::Ref<host::ICursor> statsCursor = source.search(filter);
    auto stats = com::create<host::IDataStatistics>(host::CLSID_DataStatistics);
    stats->SampleRate(sampleRate);
    stats->Field(name);
    stats->Cursor(statsCursor.get());
    auto results = stats->Statistics();
    if (!results) objectNotSet();
    out.Maximum = results->Maximum();
    out.Average = results->Mean();
    out.Minimum = results->Minimum();
    out.StdDev = results->StandardDeviation();
    out.Sum = results->Sum();
    out.Variance = std::pow(results->StandardDeviation(), 2.0);
  }
  return true;
}

void summariseClass(const RecordSource& source, host::IQueryFilter* filter, const std::vector<std::u16string>& names,
                    std::int32_t sampleRate, bool stopOnEmpty, SummarySet& set) {
  for (auto& name : names) {
    FieldSummary summary;
    if (!summariseField(source, filter, name, sampleRate, stopOnEmpty, summary)) {
      set.skipped = true;
      return;
    }
    set.fields.emplace_back(name, std::move(summary));
  }
}

std::u16string composeLabel(const ExpressionPieceList& pieces, const SummarySet& set,
                            const std::function<std::u16string(const std::u16string&)>& legend) {
  std::u16string text;
  for (auto& piece : pieces) {
    if (equalsNoCase(piece.kind, kPieceField)) {
      com::Variant value;
      bool firstStatement = true;
      for (auto& st : piece.statements) {
        if (firstStatement) {
          value = set.get(piece.content).get(st.name);
          firstStatement = false;
        } else {
          value = ApplyFormattingStatement(value, st.name, st.arg1, st.arg2);
        }
      }
      text += platform::format::toText(value);
    } else if (equalsNoCase(piece.kind, kPieceLegend)) {
      text += legend(piece.content);
    } else {
      text += piece.content;
    }
  }
  return text;
}

std::u16string finishLabel(const std::u16string& text, std::int16_t wrapWidth) {
  std::u16string out = replaceNoCase(text, u"$$NEWLINE", u"\r\n");
  if (wrapWidth > 0) out = WrapLabelText(out, wrapWidth);
  return out;
}

}  // namespace engine
