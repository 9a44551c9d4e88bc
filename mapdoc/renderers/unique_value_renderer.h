#pragma once
// Unique values of one to three fields. Several values may share a class
// (grouped values). Values are numbered so that value i is the first value
// of class i for every value class, the further values of grouped classes
// following after them: whoever labels "the value of class i" reaches the
// class, and a label set on any value of a class is the class's label.
#include <memory>
#include <unordered_map>
#include <vector>

#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"
#include "mapdoc/json/symbol_json.h"
#include "platform/com/object.h"

namespace mapdoc {

struct ValueMatching;

class UniqueValueRenderer : public com::Object<host::IFeatureRenderer, host::IUniqueValueRenderer,
                                               host::IRendererClasses, host::IRendererClassifier, IPersistJson> {
 public:
  static host::Ref<UniqueValueRenderer> read(const JsonReader& json);

  host::Text RendererType() override { return u"unique_values"; }
  int FieldCount() override { return static_cast<int>(fields_.size()); }
  host::Text Field(int index) override;
  host::Text FieldDelimiter() override { return delimiter_; }
  int ValueCount() override { return static_cast<int>(values_.size()); }
  host::Text Value(int index) override;
  host::Text Label(const host::Text& value) override;
  void Label(const host::Text& value, const host::Text& label) override;
  host::Symbol Symbol(const host::Text& value) override;
  bool UseDefaultSymbol() override { return hasDefault_; }
  host::Text DefaultLabel() override { return defaultLabel_; }
  void DefaultLabel(const host::Text& label) override { defaultLabel_ = label; }
  host::Symbol DefaultSymbol() override { return defaultSymbol_.symbol; }

  int ClassCount() override { return static_cast<int>(classes_.size()) + (hasDefault_ ? 1 : 0); }
  host::Text Class(int index) override;
  host::Text WhereClause(int index, host::ITable* table) override;

  std::vector<host::Text> ClassifierFields() override { return fields_; }
  host::Ref<host::IRecordClassifier> Classifier(host::ITable* table) override;

  Json ToJson(const SaveContext& context) override;
  Json& Extra() override { return members_.extra; }

  // The values of class index (empty for the default class).
  std::vector<host::Text> classValues(int index) const;

 private:
  struct ValueClass {
    std::vector<host::Text> values;
    Json valuesJson;  // as written, so numbers stay numbers
    host::Text label;
    SymbolSlot symbol;
    Members members;
  };
  int classOf(const host::Text& value) const;  // -1 when no class has it
  void index();
  // How the values compare with the fields of one table (kept for the last
  // table asked about: every class's clause needs it).
  std::shared_ptr<const ValueMatching> matching(host::ITable* table);

  std::vector<host::Text> fields_;
  host::Text delimiter_ = u", ";
  std::vector<ValueClass> classes_;
  std::vector<std::pair<int, host::Text>> values_;  // (class, value) in value order
  std::unordered_map<host::Text, int> classOfValue_;
  bool hasDefault_ = false;
  host::Text defaultLabel_ = u"<all other values>";
  SymbolSlot defaultSymbol_;
  Members defaultMembers_;
  Members members_;
  std::shared_ptr<const ValueMatching> matching_;
};

}  // namespace mapdoc
