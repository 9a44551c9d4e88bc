#include "mapdoc/renderers/value_matching.h"

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/renderers/clause_text.h"
#include "platform/text/utf.h"

namespace mapdoc {
namespace {

std::vector<host::Text> split(const host::Text& value, const host::Text& delimiter, std::size_t parts) {
  std::vector<host::Text> out;
  std::size_t start = 0;
  while (out.size() + 1 < parts) {
    auto at = delimiter.empty() ? host::Text::npos : value.find(delimiter, start);
    if (at == host::Text::npos) break;
    out.push_back(value.substr(start, at - start));
    start = at + delimiter.size();
  }
  out.push_back(value.substr(start));
  return out;
}

}  // namespace

std::string tupleKey(const std::vector<std::string>& keys) {
  if (keys.size() == 1) return keys.front();
  std::string out;
  for (const auto& k : keys) out += std::to_string(k.size()) + ':' + k;
  return out;
}

std::shared_ptr<const ValueMatching> ValueMatching::build(host::ITable* table, const std::vector<host::Text>& fields,
                                                          const host::Text& delimiter,
                                                          const std::vector<std::vector<host::Text>>& classValues,
                                                          const KeyRules& rules) {
  auto m = std::make_shared<ValueMatching>();
  m->table = host::Ref<host::ITable>(table);
  m->fields = fields;
  m->filters = filterEngine(table);
  m->rules = &rules;
  auto cls = com::query<host::IClass>(table);
  auto kinds = cls ? com::query<data::IFieldKinds>(cls->Fields().get()) : nullptr;
  for (const auto& f : fields) {
    const int position = cls ? cls->FindField(f) : -1;
    m->positions.push_back(position);
    m->types.push_back(position < 0 ? host::FieldTypeOther : cls->Fields()->Field(position)->Type());
    m->kinds.push_back(position < 0 || !kinds ? data::ValueKind::Other : kinds->Kind(position));
    m->refs.push_back(fieldRef(table, f));
  }
  m->owned.resize(classValues.size());
  for (std::size_t c = 0; c < classValues.size(); ++c) {
    for (const auto& value : classValues[c]) {
      const auto parts = split(value, delimiter, fields.size());
      std::vector<ValueKey> tuple;
      std::vector<std::string> canonical;
      bool matchable = true;
      for (std::size_t f = 0; f < fields.size(); ++f) {
        tuple.push_back(rules.classKey(f < parts.size() ? parts[f] : host::Text(), m->types[f], m->kinds[f]));
        matchable = matchable && tuple.back().kind != ValueKey::Kind::Nothing;
        canonical.push_back(tuple.back().canonical());
      }
      if (!matchable) continue;
      if (m->classOfTuple.emplace(tupleKey(canonical), static_cast<int>(c)).second) m->owned[c].push_back(std::move(tuple));
    }
  }
  return m;
}

namespace {

std::string tupleClause(const ValueMatching& m, const std::vector<ValueKey>& tuple) {
  std::string clause;
  for (std::size_t f = 0; f < tuple.size(); ++f) {
    if (f) clause += " AND ";
    clause += keyClause(m.refs[f], tuple[f], m.filters);
  }
  return tuple.size() > 1 ? "(" + clause + ")" : clause;
}

}  // namespace

std::string ValueMatching::classClause(std::size_t c) const {
  std::string out;
  for (const auto& tuple : owned.at(c)) out += (out.empty() ? "" : " OR ") + tupleClause(*this, tuple);
  return out.empty() ? "1 = 0" : out;
}

std::string ValueMatching::otherValuesClause() const {
  std::string any;
  for (const auto& tuples : owned)
    for (const auto& tuple : tuples) any += (any.empty() ? "" : " OR ") + tupleClause(*this, tuple);
  if (any.empty()) return {};
  // a null equals no value: such records are all other values too
  std::string clause = "NOT (" + any + ")";
  for (const auto& ref : refs) clause += " OR " + ref + " IS NULL";
  return clause;
}

}  // namespace mapdoc
