#include "mapdoc/json/json_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/text/utf.h"

namespace mapdoc {

Json composeMembers(const Members& members, const Json& known) {
  Json out = Json::object();
  for (const auto& key : members.order) {
    if (known.contains(key)) {
      if (!known[key].is_discarded()) out[key] = known[key];
    } else if (members.extra.contains(key)) {
      out[key] = members.extra[key];
    }
  }
  for (const auto& [key, value] : known.items())
    if (!out.contains(key) && !value.is_discarded()) out[key] = value;
  for (const auto& [key, value] : members.extra.items())
    if (!out.contains(key)) out[key] = value;
  return out;
}

Json numberJson(double value, const Json& asRead) {
  if (asRead.is_number() && asRead.get<double>() == value) return asRead;
  // Beyond 2^53 not every whole number is a double; those keep the
  // exponent form.
  constexpr double kExactWhole = 9007199254740992.0;
  if (std::floor(value) == value && std::fabs(value) < kExactWhole && !(value == 0 && std::signbit(value)))
    return static_cast<std::int64_t>(value);
  return value;
}

std::string describeJsonType(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return "true or false";
    case Json::value_t::string: return "text";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return "a number";
    case Json::value_t::object: return "an object";
    case Json::value_t::array: return "a list";
    default: return "an unexpected value";
  }
}

std::string JsonReader::childPath(std::string_view key) const {
  if (path_.empty()) return std::string(key);
  return path_ + "." + std::string(key);
}

void JsonReader::fail(const std::string& problem) const { throw JsonProblem(path_, problem); }

void JsonReader::requireObject() const {
  if (!node_->is_object()) fail("expected an object, found " + describeJsonType(*node_));
}

bool JsonReader::has(std::string_view key) const {
  requireObject();
  auto it = node_->find(std::string(key));
  return it != node_->end() && !it->is_null();
}

JsonReader JsonReader::member(std::string_view key) const {
  requireObject();
  auto it = node_->find(std::string(key));
  if (it == node_->end() || it->is_null()) fail("the member \"" + std::string(key) + "\" is missing");
  return JsonReader(*it, childPath(key));
}

std::optional<JsonReader> JsonReader::optional(std::string_view key) const {
  requireObject();
  auto it = node_->find(std::string(key));
  if (it == node_->end() || it->is_null()) return std::nullopt;
  return JsonReader(*it, childPath(key));
}

std::vector<JsonReader> JsonReader::items() const {
  if (!node_->is_array()) fail("expected a list, found " + describeJsonType(*node_));
  std::vector<JsonReader> out;
  out.reserve(node_->size());
  for (std::size_t i = 0; i < node_->size(); ++i)
    out.emplace_back((*node_)[i], path_ + "[" + std::to_string(i) + "]");
  return out;
}

std::string JsonReader::text() const {
  if (!node_->is_string()) fail("expected text, found " + describeJsonType(*node_));
  return node_->get<std::string>();
}

host::Text JsonReader::utext() const { return text::fromUtf8(text()); }

double JsonReader::number() const {
  if (!node_->is_number()) fail("expected a number, found " + describeJsonType(*node_));
  return node_->get<double>();
}

std::int32_t JsonReader::int32() const {
  if (!node_->is_number()) fail("expected a whole number, found " + describeJsonType(*node_));
  double v = node_->get<double>();
  if (std::floor(v) != v || v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max())
    fail("expected a whole number that fits 32 bits, found " + node_->dump());
  return static_cast<std::int32_t>(v);
}

bool JsonReader::boolean() const {
  if (!node_->is_boolean()) fail("expected true or false, found " + describeJsonType(*node_));
  return node_->get<bool>();
}

Members JsonReader::members(std::initializer_list<std::string_view> known) const {
  requireObject();
  Members m;
  for (const auto& [key, value] : node_->items()) {
    m.order.push_back(key);
    if (std::find(known.begin(), known.end(), key) == known.end()) m.extra[key] = value;
  }
  return m;
}

}  // namespace mapdoc
