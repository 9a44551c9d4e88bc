#include "mapdoc/data/id_cache.h"

namespace mapdoc::data {

std::shared_ptr<const IdList> IdCache::find(const std::string& clause) const {
  auto it = entries_.find(clause);
  return it == entries_.end() ? nullptr : it->second;
}

void IdCache::store(const std::string& clause, std::shared_ptr<const IdList> ids) {
  if (!ids || ids->size() > maxIds_ || entries_.count(clause)) return;
  while (!order_.empty() && (total_ + ids->size() > maxIds_ || entries_.size() >= maxClauses_)) {
    auto it = entries_.find(order_.front());
    total_ -= it->second->size();
    entries_.erase(it);
    order_.pop_front();
  }
  total_ += ids->size();
  entries_.emplace(clause, std::move(ids));
  order_.push_back(clause);
}

void IdCache::clear() {
  entries_.clear();
  order_.clear();
  total_ = 0;
}

}  // namespace mapdoc::data
