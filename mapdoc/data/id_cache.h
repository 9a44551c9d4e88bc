#pragma once
// The object IDs that a where clause selected, kept per clause. A label run
// searches every class with the same clause once per field and again for its
// statistics; on sources that read one record by its ID quickly, the later
// searches read only the IDs found by the first. Bounded, oldest out first.
#include <gdal.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace mapdoc::data {

using IdList = std::vector<GIntBig>;

class IdCache {
 public:
  explicit IdCache(std::size_t maxIds = 8'000'000, std::size_t maxClauses = 512)
      : maxIds_(maxIds), maxClauses_(maxClauses) {}
  std::shared_ptr<const IdList> find(const std::string& clause) const;
  void store(const std::string& clause, std::shared_ptr<const IdList> ids);
  void clear();

 private:
  std::size_t maxIds_, maxClauses_;
  std::size_t total_ = 0;
  std::map<std::string, std::shared_ptr<const IdList>> entries_;
  std::deque<std::string> order_;
};

}  // namespace mapdoc::data
