// carrowind new-map: a map document made from data, so that a user gets a
// renderer without writing JSON.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>

#include "apps/carrowind/break_methods.h"
#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/value_print.h"
#include "mapdoc/atomic_file.h"
#include "mapdoc/data/open.h"
#include "mapdoc/document.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

namespace fs = std::filesystem;
using mapdoc::Json;

// A GDAL connection string names its driver before a colon ("PG:dbname=...",
// "MSSQL:..."); a single letter before it is a drive, not a driver.
bool isConnection(const std::string& data) {
  const auto colon = data.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  return std::all_of(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(colon),
                     [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

struct NewMapOptions {
  std::string out;
  std::string data;
  std::string layer;
  std::string uniqueField;
  std::string breaksField;
  int classes = 5;
  std::string method = "natural-breaks";
  bool force = false;
};

std::string hex(int r, int g, int b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", r, g, b);
  return buf;
}

// Distinct hues for unrelated values.
Json qualitativeSymbol(std::size_t i, std::size_t n) {
  const double hue = std::fmod(360.0 * static_cast<double>(i) / static_cast<double>(std::max<std::size_t>(n, 1)), 360.0);
  const double c = 0.55, x = c * (1 - std::fabs(std::fmod(hue / 60.0, 2) - 1)), m = 0.35;
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(hue / 60.0)) {
    case 0: r = c, g = x; break;
    case 1: r = x, g = c; break;
    case 2: g = c, b = x; break;
    case 3: g = x, b = c; break;
    case 4: r = x, b = c; break;
    default: r = c, b = x; break;
  }
  auto byte = [&](double v) { return static_cast<int>(std::lround((v + m) * 255)); };
  return {{"fill", hex(byte(r), byte(g), byte(b))}, {"outline", "#505050"}};
}

// Light to dark for ordered classes.
Json rampSymbol(std::size_t i, std::size_t n) {
  const double t = n > 1 ? static_cast<double>(i) / static_cast<double>(n - 1) : 0.0;
  auto mix = [&](int from, int to) { return static_cast<int>(std::lround(from + (to - from) * t)); };
  return {{"fill", hex(mix(255, 189), mix(255, 0), mix(204, 38))}, {"outline", "#505050"}};
}

std::string labelNumber(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  return {buffer, result.ptr};
}

struct FieldValues {
  std::vector<host::Value> values;
  bool hasNulls = false;
};

FieldValues readField(host::ITable* table, int index) {
  FieldValues out;
  auto cursor = table->Search(nullptr, true);
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) {
    auto v = row->Value(index);
    if (v.isNull() || v.isEmpty()) out.hasNulls = true;
    else out.values.push_back(std::move(v));
  }
  return out;
}

Json uniqueValuesRenderer(host::ITable* table, const std::string& field) {
  const int index = findField(table, field);
  const auto type = com::query<host::IClass>(table)->Fields()->Field(index)->Type();
  if (type == host::FieldTypeGeometry || type == host::FieldTypeBlob)
    throw inputError("field \"" + field + "\" holds shapes or binary data, not values to class");
  auto data = readField(table, index);
  const bool numeric = host::isNumericFieldType(type);
  // numbers in numeric order, text in character order, as a legend lists them
  std::map<double, std::string> numbers;
  std::map<std::string, std::string> texts;
  for (const auto& v : data.values) {
    if (numeric) numbers.emplace(v.toDouble(), printable(v));
    else texts.emplace(printable(v), printable(v));
  }
  std::vector<std::string> values;
  for (auto& [key, text] : numbers) values.push_back(text);
  for (auto& [key, text] : texts) values.push_back(text);

  Json classes = Json::array();
  for (std::size_t i = 0; i < values.size(); ++i)
    classes.push_back({{"values", {values[i]}}, {"label", values[i]}, {"symbol", qualitativeSymbol(i, values.size())}});
  Json renderer = {{"type", "unique_values"}, {"fields", {field}}, {"field_delimiter", ","}, {"classes", classes}};
  // records without a value would not be drawn otherwise
  if (data.hasNulls)
    renderer["default"] = {{"label", "<all other values>"}, {"symbol", {{"fill", "#D0D0D0"}, {"outline", "#505050"}}}};
  return renderer;
}

Json classBreaksRenderer(host::ITable* table, const std::string& field, int classes, BreakMethod method) {
  const int index = findField(table, field);
  const auto type = com::query<host::IClass>(table)->Fields()->Field(index)->Type();
  if (type > host::FieldTypeDouble) throw inputError("field \"" + field + "\" is not numeric; class breaks need numbers");
  auto data = readField(table, index);
  std::vector<double> numbers;
  for (const auto& v : data.values)
    if (std::isfinite(v.toDouble())) numbers.push_back(v.toDouble());
  if (numbers.empty()) throw inputError("field \"" + field + "\" has no values to class");
  const double minimum = *std::min_element(numbers.begin(), numbers.end());
  const auto breaks = computeBreaks(std::move(numbers), classes, method);

  Json list = Json::array();
  double low = minimum;
  for (std::size_t i = 0; i < breaks.size(); ++i) {
    list.push_back({{"upper", breaks[i]},
                    {"label", labelNumber(low) + " - " + labelNumber(breaks[i])},
                    {"symbol", rampSymbol(i, breaks.size())}});
    low = breaks[i];
  }
  return {{"type", "class_breaks"}, {"field", field}, {"min_break", minimum}, {"breaks", list}};
}

int runNewMap(const NewMapOptions& o) {
  if (!o.uniqueField.empty() && !o.breaksField.empty())
    throw inputError("choose one of --unique-values and --class-breaks");
  if (o.classes < 1 || o.classes > 32) throw inputError("--classes must be between 1 and 32");
  const auto method = parseBreakMethod(o.method);
  if (!method) throw inputError("unknown --method \"" + o.method + "\" (equal-interval, quantile, natural-breaks)");

  const fs::path out = fs::absolute(o.out);
  std::error_code ec;
  // another new-map or apply of the same name waits, then finds the file there
  const auto locks = lockFiles({out});
  if (fs::exists(out, ec) && !o.force) throw inputError(out.string() + " exists; pass --force to replace it");
  if (!fs::is_directory(out.parent_path(), ec)) throw inputError("no such folder: " + out.parent_path().string());

  const fs::path data = fs::absolute(o.data);
  const bool connection = !fs::exists(data, ec) && isConnection(o.data);
  if (!connection && !fs::exists(data, ec)) throw inputError("no such data source: " + o.data);
  host::Ref<host::IFeatureClass> featureClass;
  try {
    featureClass = connection ? mapdoc::openFeatureClass({"", o.data, o.layer}, fs::current_path())
                              : mapdoc::openFeatureClass({data.string(), "", o.layer}, fs::current_path());
  } catch (const host::HostError& e) {
    throw inputError(e.what());
  }
  auto table = com::query<host::ITable>(featureClass.get());

  std::string name = o.layer;
  if (name.empty())
    if (auto dataset = com::query<host::IDatasetName>(featureClass.get())) name = text::toUtf8(dataset->Name());
  if (name.empty()) name = data.stem().string();

  Json renderer;
  if (!o.uniqueField.empty()) renderer = uniqueValuesRenderer(table.get(), o.uniqueField);
  else if (!o.breaksField.empty()) renderer = classBreaksRenderer(table.get(), o.breaksField, o.classes, *method);
  else renderer = {{"type", "simple"}, {"label", name}, {"symbol", qualitativeSymbol(0, 1)}};

  // relative to the folder the document's paths count from: a link's target's
  Json source = connection ? Json{{"connection", o.data}}
                           : Json{{"path", fs::relative(data, mapdoc::realFolder(out)).generic_string()}};
  if (!o.layer.empty()) source["layer"] = o.layer;
  Json document = {{"format", "carrowind-map"},
                   {"version", 1},
                   {"layers", {{{"name", name}, {"type", "feature"}, {"source", source}, {"renderer", renderer}}}},
                   {"selected_layer", name},
                   {"page_layout", {{"legends", {{{"layers", {name}}, {"bounds", {1.0, 1.0, 3.0, 5.0}}}}}}}};
  try {
    auto map = mapdoc::MapDocument::fromJson(document, out);
    refuseForeignName(*map, out);
    refuseOwnData(*map, out);  // --force or not
    map->saveAs(out);
  } catch (const mapdoc::DocumentError& e) {
    throw CommandError(kExitFailure, e.what());
  }
  std::cout << "wrote " << out.string() << '\n';
  return kExitOk;
}

const CommandRegistration newMapCommand{40, [](CLI::App& program) -> Runner {
  auto o = std::make_shared<NewMapOptions>();
  auto* command = program.add_subcommand(
      "new-map",
      "Write a map document with one feature layer over a data source (Shapefile, GeoPackage, CSV, any OGR "
      "source) and a renderer made from its data: a single symbol, unique values of a field (labels are the "
      "values), or class breaks on a numeric field (labels are \"low - high\" ranges).");
  command->add_option("out", o->out, "the map document to write (.cwmap)")->required();
  command->add_option("--data", o->data, "the data source: a file, or a connection string")->required();
  command->add_option("--layer", o->layer, "the layer within the data source (default: its first) and the layer's name");
  command->add_option("--unique-values", o->uniqueField, "a unique-values renderer on this field");
  command->add_option("--class-breaks", o->breaksField, "a class-breaks renderer on this numeric field");
  command->add_option("--classes", o->classes, "number of classes for --class-breaks (1 to 32)")->capture_default_str();
  command->add_option("--method", o->method, "equal-interval, quantile or natural-breaks")->capture_default_str();
  command->add_flag("--force", o->force, "replace OUT if it exists");
  return [o] { return runNewMap(*o); };
}};

}  // namespace
}  // namespace carrowind::cli
