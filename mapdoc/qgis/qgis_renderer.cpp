#include "mapdoc/qgis/qgis_renderer.h"

#include "platform/text/utf.h"

namespace mapdoc::qgis {

host::Ref<host::IRecordClassifier> QgisClassesInUse::classifier(host::ITable* table,
                                                                const std::vector<QgisClass>& classes,
                                                                int defaultClass) {
  idField_ = featureIdField(table, *classes_);
  std::vector<int> classOfItem(classes_->itemCount(), -1);
  for (std::size_t c = 0; c < classes.size(); ++c) {
    const int item = classes[c].legendItem;
    if (item >= 0 && static_cast<std::size_t>(item) < classOfItem.size())
      classOfItem[static_cast<std::size_t>(item)] = static_cast<int>(c);
  }
  return featureClassClassifier(table, classes_, std::move(classOfItem), defaultClass);
}

host::Text QgisClassesInUse::clause(host::ITable* table, const std::vector<int>& items, bool negate) const {
  return text::fromUtf8(featureClassClause(table, *classes_, items, negate));
}

}  // namespace mapdoc::qgis
