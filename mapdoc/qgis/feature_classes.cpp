#include "mapdoc/qgis/feature_classes.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/json/json.h"
#include "mapdoc/renderers/clause_text.h"
#include "platform/com/object.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {
namespace {

constexpr char kClassesFormat[] = "carrowind-qgis-classes";

class FeatureClassClassifier : public com::Object<host::IRecordClassifier, host::IRecordClassesOf> {
 public:
  FeatureClassClassifier(int idPosition, std::shared_ptr<const FeatureClasses> classes, std::vector<int> classOfItem,
                         int defaultClass)
      : idPosition_(idPosition), classes_(std::move(classes)), classOfItem_(std::move(classOfItem)),
        defaultClass_(defaultClass) {}

  int ClassOf(host::IRowBuffer* row) override {
    std::vector<int> out;
    ClassesOf(row, out);
    return out.empty() ? -1 : out.front();
  }

  void ClassesOf(host::IRowBuffer* row, std::vector<int>& out) override {
    const host::Value id = row->Value(idPosition_);
    const std::size_t before = out.size();
    if (id.isNumber()) {
      items_.clear();
      classes_->itemsOf(std::llround(id.toDouble()), items_);
      for (int item : items_) {
        const int c = item >= 0 && static_cast<std::size_t>(item) < classOfItem_.size() ? classOfItem_[item] : -1;
        if (c >= 0 && std::find(out.begin() + static_cast<std::ptrdiff_t>(before), out.end(), c) == out.end())
          out.push_back(c);
      }
    }
    // What no class of its own draws, the all-other-values class draws.
    if (out.size() == before && defaultClass_ >= 0) out.push_back(defaultClass_);
  }

 private:
  int idPosition_;
  std::shared_ptr<const FeatureClasses> classes_;
  std::vector<int> classOfItem_;
  int defaultClass_;
  std::vector<int> items_;
};

int idPosition(host::ITable* table, const FeatureClasses& classes) {
  auto cls = com::query<host::IClass>(table);
  const host::Text name = featureIdField(table, classes);
  const int position = cls && !name.empty() ? cls->FindField(name) : -1;
  if (position < 0)
    data::throwHostError("the table holds no field \"" + (name.empty() ? std::string("object ID") : text::toUtf8(name)) +
                         "\" with QGIS's feature IDs");
  return position;
}

}  // namespace

std::shared_ptr<const FeatureClasses> FeatureClasses::read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  return fromJsonText(text.str());
}

std::shared_ptr<const FeatureClasses> FeatureClasses::fromJsonText(const std::string& text) {
  const Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object() || json.value("format", "") != kClassesFormat)
    throw std::runtime_error("not a file of QGIS's classes (\"format\": \"" + std::string(kClassesFormat) + "\")");
  if (json.value("version", 0) != 1) throw std::runtime_error("QGIS's classes: version 1 is read, not this one");
  auto out = std::make_shared<FeatureClasses>();
  if (json.contains("id_field")) {
    if (!json["id_field"].is_string()) throw std::runtime_error("QGIS's classes: \"id_field\" is not a text");
    out->idField_ = json["id_field"].get<std::string>();
  }
  const auto items = json.find("items");
  if (items == json.end() || !items->is_array()) throw std::runtime_error("QGIS's classes: no \"items\" list");
  out->itemCount_ = items->size();
  for (std::size_t i = 0; i < items->size(); ++i) {
    const Json& ids = (*items)[i];
    if (!ids.is_array()) throw std::runtime_error("QGIS's classes: item " + std::to_string(i) + " is not a list of IDs");
    for (const Json& id : ids) {
      if (!id.is_number_integer()) throw std::runtime_error("QGIS's classes: item " + std::to_string(i) + " holds a non-integer ID");
      out->members_.emplace_back(id.get<std::int64_t>(), static_cast<std::int32_t>(i));
    }
  }
  std::sort(out->members_.begin(), out->members_.end());
  out->members_.erase(std::unique(out->members_.begin(), out->members_.end()), out->members_.end());
  return out;
}

void FeatureClasses::itemsOf(std::int64_t id, std::vector<int>& out) const {
  auto at = std::lower_bound(members_.begin(), members_.end(), std::make_pair(id, std::int32_t{-1}));
  for (; at != members_.end() && at->first == id; ++at) out.push_back(at->second);
}

std::vector<std::int64_t> FeatureClasses::idsOf(int item) const {
  std::vector<std::int64_t> out;
  for (const auto& [id, i] : members_)
    if (i == item) out.push_back(id);
  return out;
}

host::Text featureIdField(host::ITable* table, const FeatureClasses& classes) {
  if (!classes.idField().empty()) return text::fromUtf8(classes.idField());
  auto cls = com::query<host::IClass>(table);
  return cls && cls->HasOID() ? cls->OIDFieldName() : host::Text();
}

host::Ref<host::IRecordClassifier> featureClassClassifier(host::ITable* table,
                                                          std::shared_ptr<const FeatureClasses> classes,
                                                          std::vector<int> classOfItem, int defaultClass) {
  const int position = idPosition(table, *classes);
  return com::make<FeatureClassClassifier>(position, std::move(classes), std::move(classOfItem), defaultClass);
}

std::string featureClassClause(host::ITable* table, const FeatureClasses& classes, const std::vector<int>& items,
                               bool negate) {
  std::vector<std::int64_t> ids;
  for (int item : items) {
    auto some = classes.idsOf(item);
    ids.insert(ids.end(), some.begin(), some.end());
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  if (ids.empty()) return negate ? "" : "1 = 0";
  std::string list;
  for (auto id : ids) list += (list.empty() ? "" : ", ") + std::to_string(id);
  const std::string in = fieldRef(table, featureIdField(table, classes)) + " IN (" + list + ")";
  return negate ? "NOT (" + in + ")" : in;
}

}  // namespace mapdoc::qgis
