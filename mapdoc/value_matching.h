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

#include "mapdoc/data/feature_row.h"
#include "mapdoc/value_keys.h"
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
  std::vector<std::string> refs;  // as the table's clauses name the fields
  data::FilterEngine filters = data::FilterEngine::Ogr;
  // [class][tuple][field]: the tuples each value class owns.
  std::vector<std::vector<std::vector<ValueKey>>> owned;
  // A record's tuple (canonical keys, see tupleKey) to its class.
  std::unordered_map<std::string, int, KeyHash, std::equal_to<>> classOfTuple;

  // classValues[c]: the values of value class c, fields joined by delimiter.
  static std::shared_ptr<const ValueMatching> build(host::ITable* table, const std::vector<host::Text>& fields,
                                                    const host::Text& delimiter,
                                                    const std::vector<std::vector<host::Text>>& classValues);

  // The clause selecting value class c's records ("1 = 0" when it owns no
  // tuple), and the one selecting every record of no value class ("" when
  // there is no value to exclude).
  std::string classClause(std::size_t c) const;
  std::string otherValuesClause() const;
};

// Canonical keys of a tuple, one per field, joined so that no two tuples
// share a text.
std::string tupleKey(const std::vector<std::string>& canonicalKeys);

// Classifies records of the table by the matching; records of no value
// class go to defaultClass (-1 when the renderer draws them in none).
class ValueClassifier : public com::Object<host::IRecordClassifier> {
 public:
  ValueClassifier(std::shared_ptr<const ValueMatching> matching, int defaultClass);
  int ClassOf(host::IRowBuffer* row) override;

 private:
  std::shared_ptr<const ValueMatching> m_;
  int defaultClass_;
  // A record's key is built here, text fields from the source's UTF-8
  // where the row offers it: millions of records, no allocation each.
  std::string key_, part_;
  // The last row asked about and its text access: a cursor hands out one
  // row object, refilled, so this is asked for once a walk. Held, so that
  // the address cannot come back as another object.
  host::Ref<host::IRowBuffer> lastRow_;
  host::Ref<data::IFieldText> lastText_;
};

}  // namespace mapdoc
