#include "engine/record_classes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <unordered_map>

namespace engine {
namespace {

class OneClass : public RecordClasses {
 public:
  std::vector<std::u16string> fields() const override { return {}; }
  void classify(host::IRow&, std::vector<int>& out) override { out.push_back(0); }
  std::optional<host::RecordGrouping> grouping() const override { return host::RecordGrouping{}; }
};

class HostClasses : public RecordClasses {
 public:
  HostClasses(std::vector<std::u16string> fields, host::Ref<host::IRecordClassifier> classifier,
              std::optional<std::optional<host::RecordGrouping>> grouping)
      : fields_(std::move(fields)), classifier_(std::move(classifier)), several_(classifier_.as<host::IRecordClassesOf>()),
        grouping_(std::move(grouping)) {}
  std::vector<std::u16string> fields() const override { return fields_; }
  void classify(host::IRow& row, std::vector<int>& out) override {
    if (several_) {
      several_->ClassesOf(&row, out);
      return;
    }
    const int c = classifier_->ClassOf(&row);
    if (c >= 0) out.push_back(c);
  }
  std::optional<host::RecordGrouping> grouping() const override {
    if (grouping_) return *grouping_;
    return host::RecordGrouping{host::RecordGrouping::Kind::Values, fields_, {}, {}};
  }

 private:
  std::vector<std::u16string> fields_;
  host::Ref<host::IRecordClassifier> classifier_;
  host::Ref<host::IRecordClassesOf> several_;  // set when a record may be in several classes
  // The renderer's own word on grouping, when it has one.
  std::optional<std::optional<host::RecordGrouping>> grouping_;
};

class Breaks : public RecordClasses {
 public:
  Breaks(std::u16string field, int position, std::vector<double> uppers)
      : field_(std::move(field)), position_(position), uppers_(std::move(uppers)) {}
  std::vector<std::u16string> fields() const override { return {field_}; }
  void classify(host::IRow& row, std::vector<int>& out) override {
    const host::Value v = row.Value(position_);
    if (!v.isNumber()) return;
    const double x = v.toDouble();
    if (std::isnan(x)) return;  // no comparison holds for it
    const auto at = std::lower_bound(uppers_.begin(), uppers_.end(), x);
    if (at != uppers_.end()) out.push_back(static_cast<int>(at - uppers_.begin()));
  }
  std::optional<host::RecordGrouping> grouping() const override {
    return host::RecordGrouping{host::RecordGrouping::Kind::Breaks, {field_}, uppers_, {}};
  }

 private:
  std::u16string field_;
  int position_;
  std::vector<double> uppers_;
};

// A value as a data source reads it bare after "=": optional minus, digits,
// optional fraction.
bool plainNumber(const std::u16string& value, double& out) {
  std::string ascii;
  for (char16_t c : value) {
    if (c > 0x7f) return false;
    ascii += static_cast<char>(c);
  }
  std::size_t i = ascii.size() && ascii[0] == '-' ? 1 : 0, digits = 0;
  while (i < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[i]))) ++i, ++digits;
  if (i < ascii.size() && ascii[i] == '.') {
    ++i;
    while (i < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[i]))) ++i, ++digits;
  }
  if (i != ascii.size() || digits == 0) return false;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), out);
  return ec == std::errc() && end == ascii.data() + ascii.size() && std::isfinite(out);
}

class JoinedValues : public RecordClasses {
 public:
  std::u16string field;
  int position = -1;
  bool text = false;
  int defaultClass = -1;
  std::unordered_map<std::u16string, std::vector<int>> byText;
  std::unordered_map<double, std::vector<int>> byNumber;

  std::vector<std::u16string> fields() const override { return {field}; }
  void classify(host::IRow& row, std::vector<int>& out) override {
    const host::Value v = row.Value(position);
    const std::vector<int>* classes = nullptr;
    if (text && v.isText()) {
      if (auto it = byText.find(v.text()); it != byText.end()) classes = &it->second;
    } else if (!text && v.isNumber()) {
      const double x = v.toDouble();
      if (auto it = byNumber.find(x == 0 ? 0.0 : x); it != byNumber.end()) classes = &it->second;
    }
    if (classes) {
      out.insert(out.end(), classes->begin(), classes->end());
    } else if (defaultClass >= 0) {
      // A null too: a joined table's clauses are OGR's, where a comparison
      // with a null is false and NOT (...) of it true; the map draws it
      // with the other values as well.
      out.push_back(defaultClass);
    }
  }
};

}  // namespace

std::unique_ptr<RecordClasses> allInOneClass() { return std::make_unique<OneClass>(); }

std::unique_ptr<RecordClasses> rendererClasses(const host::Ref<host::IFeatureRenderer>& renderer,
                                               const RecordSource& source) {
  auto classifying = renderer.as<host::IRendererClassifier>();
  if (!classifying) return nullptr;
  auto classifier = classifying->Classifier(source.table.get());
  if (!classifier) return nullptr;
  std::optional<std::optional<host::RecordGrouping>> grouping;
  if (auto grouped = renderer.as<host::IRendererGrouping>()) grouping = grouped->Grouping(source.table.get());
  return std::make_unique<HostClasses>(classifying->ClassifierFields(), std::move(classifier), std::move(grouping));
}

std::unique_ptr<RecordClasses> breakClasses(host::IClassBreaksRenderer& renderer, const RecordSource& source) {
  const std::u16string field = renderer.Field();
  const int position = source.fieldPosition(field);
  if (position < 0 || !isNumericFieldType(source.fieldType(position))) return nullptr;
  std::vector<double> uppers;
  for (int i = 0; i < renderer.BreakCount(); ++i) {
    const double upper = renderer.Break(i);
    if (!std::isfinite(upper) || (!uppers.empty() && upper <= uppers.back())) return nullptr;
    uppers.push_back(upper);
  }
  return std::make_unique<Breaks>(field, position, std::move(uppers));
}

std::unique_ptr<RecordClasses> joinedValueClasses(host::IUniqueValueRenderer& renderer, int classCount,
                                                  const RecordSource& source) {
  auto classes = std::make_unique<JoinedValues>();
  classes->field = renderer.Field(0);
  classes->position = source.fieldPosition(classes->field);
  if (classes->position < 0) return nullptr;
  classes->text = source.fieldType(classes->position) == host::FieldTypeString;
  const bool useDefault = renderer.UseDefaultSymbol();
  const int valueClasses = useDefault ? classCount - 1 : classCount;
  if (useDefault && classCount > 0) classes->defaultClass = classCount - 1;
  for (int i = 0; i < valueClasses; ++i) {
    const std::u16string value = renderer.Value(i);
    if (classes->text) {
      classes->byText[value].push_back(i);
      continue;
    }
    double number = 0;
    if (!plainNumber(value, number)) return nullptr;
    classes->byNumber[number == 0 ? 0.0 : number].push_back(i);
  }
  return classes;
}

}  // namespace engine
