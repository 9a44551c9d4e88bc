#pragma once
// Classifies the records of a table by a unique-values renderer's matching:
// each field's value is looked up among the values the classes hold for
// that field (a small dictionary each), and the tuple of their numbers
// among the classes' tuples, so that a record costs a few lookups and no
// text is built, whatever the number of classes.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mapdoc/data/feature_row.h"
#include "mapdoc/renderers/value_matching.h"

namespace mapdoc {

class ValueClassifier : public com::Object<host::IRecordClassifier> {
 public:
  // Records of no value class go to defaultClass (-1: drawn in none).
  // Throws HostError when the table lacks a field of the renderer.
  ValueClassifier(std::shared_ptr<const ValueMatching> matching, int defaultClass);
  int ClassOf(host::IRowBuffer* row) override;

 private:
  // The values one field's classes hold, numbered.
  struct Dictionary {
    std::unordered_map<std::string, std::uint64_t, KeyHash, std::equal_to<>> texts;  // text and days
    std::unordered_map<double, std::uint64_t> numbers;
    std::uint64_t size = 0;
  };
  // The number of the record's value in field f's dictionary; false when no
  // class holds it (or it is null).
  bool valueNumber(host::IRowBuffer* row, std::size_t f, std::uint64_t& number);

  std::shared_ptr<const ValueMatching> m_;
  int defaultClass_;
  std::vector<Dictionary> dictionaries_;
  std::unordered_map<std::uint64_t, int> classOfCode_;  // the tuple's numbers, mixed radix
  // The last row asked about and its text access: a cursor hands out one
  // row object, refilled, so this is asked for once a walk. Held, so that
  // the address cannot come back as another object.
  host::Ref<host::IRowBuffer> lastRow_;
  host::Ref<data::IFieldText> lastText_;
};

}  // namespace mapdoc
