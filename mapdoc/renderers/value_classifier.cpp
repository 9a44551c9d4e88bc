#include "mapdoc/renderers/value_classifier.h"

#include <cmath>

#include "mapdoc/data/gdal_session.h"
#include "platform/text/utf.h"

namespace mapdoc {

ValueClassifier::ValueClassifier(std::shared_ptr<const ValueMatching> matching, int defaultClass)
    : m_(std::move(matching)), defaultClass_(defaultClass), dictionaries_(m_->fields.size()) {
  for (std::size_t f = 0; f < m_->fields.size(); ++f)
    if (m_->positions[f] < 0)
      data::throwHostError("the renderer's field \"" + text::toUtf8(m_->fields[f]) + "\" is not in the table");
  // Number each field's values, then each class's tuples by those numbers.
  std::vector<std::pair<std::vector<std::uint64_t>, int>> tuples;
  for (std::size_t c = 0; c < m_->owned.size(); ++c) {
    for (const auto& tuple : m_->owned[c]) {
      std::vector<std::uint64_t> numbers;
      for (std::size_t f = 0; f < tuple.size(); ++f) {
        Dictionary& d = dictionaries_[f];
        const ValueKey& key = tuple[f];
        // a value seen before keeps its number; a new one gets the next
        const std::uint64_t number = key.kind == ValueKey::Kind::Number
                                         ? d.numbers.try_emplace(key.number == 0 ? 0.0 : key.number, d.size).first->second
                                         : d.texts.try_emplace(key.text, d.size).first->second;
        if (number == d.size) ++d.size;
        numbers.push_back(number);
      }
      tuples.emplace_back(std::move(numbers), static_cast<int>(c));
    }
  }
  for (const auto& [numbers, c] : tuples) {
    std::uint64_t code = 0, radix = 1;
    for (std::size_t f = 0; f < numbers.size(); ++f) {
      code += numbers[f] * radix;
      radix *= dictionaries_[f].size;
    }
    classOfCode_.emplace(code, c);
  }
}

bool ValueClassifier::valueNumber(host::IRowBuffer* row, std::size_t f, std::uint64_t& number) {
  const Dictionary& d = dictionaries_[f];
  const int position = m_->positions[f], type = m_->types[f];
  if (type == host::FieldTypeString && lastText_) {
    const char* text = lastText_->FieldUtf8(position);
    if (!text) return false;
    auto it = d.texts.find(std::string_view(text));
    if (it == d.texts.end()) return false;
    number = it->second;
    return true;
  }
  const host::Value v = row->Value(position);
  if (host::isNumericFieldType(type)) {
    if (!v.isNumber()) return false;
    const double x = v.toDouble();
    auto it = d.numbers.find(x == 0 ? 0.0 : x);
    if (it == d.numbers.end()) return false;
    number = it->second;
    return true;
  }
  // Text kept as ValueKey spells it: the day for a date, else the text.
  const auto key = m_->rules->recordKey(v, type, m_->kinds[f]);
  if (!key) return false;
  auto it = d.texts.find(std::string_view(*key).substr(1));
  if (it == d.texts.end()) return false;
  number = it->second;
  return true;
}

int ValueClassifier::ClassOf(host::IRowBuffer* row) {
  if (row != lastRow_.get()) {
    lastRow_ = host::Ref<host::IRowBuffer>(row);
    lastText_ = com::query<data::IFieldText>(row);
  }
  std::uint64_t code = 0, radix = 1;
  for (std::size_t f = 0; f < dictionaries_.size(); ++f) {
    std::uint64_t number = 0;
    if (!valueNumber(row, f, number)) return defaultClass_;
    code += number * radix;
    radix *= dictionaries_[f].size;
  }
  auto it = classOfCode_.find(code);
  return it == classOfCode_.end() ? defaultClass_ : it->second;
}

}  // namespace mapdoc
