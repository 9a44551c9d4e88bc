#pragma once
// The values of a unique-values renderer matched against one table: which
// value tuples each class owns and how its where clause and its classifier
// compare them. A tuple that matches the same records as one of an earlier
// class (the values "1" and "1.0" of a number field) belongs to the earlier
// class, as the map draws every record in the first class that selects it.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mapdoc/renderers/value_keys.h"
#include "platform/com/object.h"

namespace mapdoc {

// Looks up std::string keys by string_view, without making a string.
struct KeyHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct ValueMatching {
  host::Ref<host::ITable> table;
  std::vector<host::Text> fields;
  std::vector<int> positions;  // in the table; -1 when missing
  std::vector<int> types;
  std::vector<data::ValueKind> kinds;
  std::vector<std::string> refs;  // as the table's clauses name the fields
  const KeyRules* rules = &hostKeyRules();
  data::FilterEngine filters = data::FilterEngine::Ogr;
  // [class][tuple][field]: the tuples each value class owns.
  std::vector<std::vector<std::vector<ValueKey>>> owned;
  // A record's tuple (canonical keys, see tupleKey) to its class.
  std::unordered_map<std::string, int, KeyHash, std::equal_to<>> classOfTuple;

  // classValues[c]: the values of value class c, fields joined by delimiter.
  static std::shared_ptr<const ValueMatching> build(host::ITable* table, const std::vector<host::Text>& fields,
                                                    const host::Text& delimiter,
                                                    const std::vector<std::vector<host::Text>>& classValues,
                                                    const KeyRules& rules = hostKeyRules());

  // The clause selecting value class c's records ("1 = 0" when it owns no
  // tuple), and the one selecting every record of no value class ("" when
  // there is no value to exclude).
  std::string classClause(std::size_t c) const;
  std::string otherValuesClause() const;
};

// Canonical keys of a tuple, one per field, joined so that no two tuples
// share a text.
std::string tupleKey(const std::vector<std::string>& canonicalKeys);

}  // namespace mapdoc
