#pragma once
// Classes by upper break of a numeric field, optionally normalised by
// another field. Class 0 runs from the minimum break to break 0 inclusive;
// class i from above break i-1 to break i inclusive.
#include <vector>

#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"
#include "mapdoc/json/symbol_json.h"
#include "platform/com/object.h"

namespace mapdoc {

class ClassBreaksRenderer : public com::Object<host::IFeatureRenderer, host::IClassBreaksRenderer,
                                               host::IRendererClasses, host::IRendererClassifier, IPersistJson> {
 public:
  static host::Ref<ClassBreaksRenderer> read(const JsonReader& json);

  host::Text RendererType() override { return u"class_breaks"; }
  host::Text Field() override { return field_; }
  host::Text NormField() override { return normField_; }
  double MinimumBreak() override { return minBreak_; }
  int BreakCount() override { return static_cast<int>(breaks_.size()); }
  double Break(int index) override { return at(index).upper; }
  host::Text Label(int index) override { return at(index).label; }
  void Label(int index, const host::Text& label) override { at(index).label = label; }
  host::Symbol Symbol(int index) override { return at(index).symbol.symbol; }

  int ClassCount() override { return BreakCount(); }
  host::Text Class(int index) override { return Label(index); }
  host::Text WhereClause(int index, host::ITable* table) override;

  std::vector<host::Text> ClassifierFields() override;
  host::Ref<host::IRecordClassifier> Classifier(host::ITable* table) override;

  Json ToJson(const SaveContext& context) override;
  Json& Extra() override { return members_.extra; }

 private:
  struct BreakClass {
    double upper = 0;
    Json upperAsRead;  // the number as the document wrote it
    host::Text label;
    SymbolSlot symbol;
    Members members;
  };
  BreakClass& at(int index);

  host::Text field_, normField_;
  double minBreak_ = 0;
  Json minBreakAsRead_;  // null when the document left it to the first break
  std::vector<BreakClass> breaks_;
  Members members_;
};

}  // namespace mapdoc
