#pragma once
// Which parts of a record a read brings in. Converting attributes and
// geometry that nobody looks at is most of the cost of a scan, so reads
// bring in only what the filter and the caller have needed so far.
#include <cstddef>
#include <vector>

namespace mapdoc::data {

struct LoadedFields {
  std::vector<bool> fields;  // by OGR field index
  bool geometry = true;

  static LoadedFields all(std::size_t count) { return {std::vector<bool>(count, true), true}; }
  static LoadedFields none(std::size_t count) { return {std::vector<bool>(count, false), false}; }

  bool covers(const LoadedFields& other) const {
    if (other.geometry && !geometry) return false;
    for (std::size_t i = 0; i < fields.size() && i < other.fields.size(); ++i)
      if (other.fields[i] && !fields[i]) return false;
    return true;
  }
  void add(const LoadedFields& other) {
    geometry = geometry || other.geometry;
    for (std::size_t i = 0; i < fields.size() && i < other.fields.size(); ++i) fields[i] = fields[i] || other.fields[i];
  }
  friend bool operator==(const LoadedFields&, const LoadedFields&) = default;
};

}  // namespace mapdoc::data
