#include "apps/carrowind/document_access.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <system_error>
#include <vector>

#include "apps/carrowind/commands.h"
#include "mapdoc/atomic_file.h"
#include "mapdoc/feature_layer.h"
#include "mapdoc/qgis/qgis_evaluation.h"
#include "mapdoc/unsupported_renderer.h"
#include "platform/text/utf.h"
#include "support/layout_legends.h"

namespace carrowind::cli {
namespace {

std::int32_t featureId(const std::string& file, const std::string& word) {
  std::int32_t id = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), id);
  if (ec != std::errc() || end != word.data() + word.size())
    throw inputError("the selection file " + file + " holds \"" + word.substr(0, 40) + "\", which is no feature ID");
  return id;
}

// Feature IDs separated by blanks, commas or line breaks.
std::vector<std::int32_t> selectedIds(const std::string& file) {
  std::ifstream in(file);
  if (!in) throw inputError("cannot read the selection file " + file);
  std::vector<std::int32_t> ids;
  std::string word;
  for (char c; in.get(c);) {
    if (c == ',' || std::isspace(static_cast<unsigned char>(c))) {
      if (word.empty()) continue;
    } else {
      word += c;
      continue;
    }
    ids.push_back(featureId(file, word));
    word.clear();
  }
  if (!word.empty()) ids.push_back(featureId(file, word));
  return ids;
}

}  // namespace

host::Ref<mapdoc::MapDocument> openDocument(const DocumentArg& document) {
  const std::filesystem::path file = document.file;
  std::error_code ec;
  if (std::filesystem::is_symlink(file, ec)) {
    try {
      mapdoc::writeTarget(file);
    } catch (const mapdoc::WriteRefused& e) {
      throw inputError(e.what());
    }
  }
  if (!std::filesystem::exists(file, ec)) throw inputError("no such map document: " + file.string());
  if (std::filesystem::is_directory(file, ec)) throw inputError("a folder, not a map document: " + file.string());
  mapdoc::OpenOptions options{document.styleData, document.styleProvider, {}};
  if (!document.selectionFile.empty()) options.styleSelection = selectedIds(document.selectionFile);
  options.styleClasses = document.qgisClasses;
  try {
    return mapdoc::MapDocument::open(file, options);
  } catch (const mapdoc::DocumentError& e) {
    throw inputError(e.what());
  }
}

std::string layerName(host::ILayer* layer) { return text::toUtf8(layer->Name()); }

host::Ref<host::ILayer> findLayer(mapdoc::MapDocument& document, const std::string& name) {
  if (auto layer = document.layer(text::fromUtf8(name))) {
    int named = 0;
    for (const auto& other : document.layers()) named += other->Name() == layer->Name() ? 1 : 0;
    if (named > 1)
      throw inputError(std::to_string(named) + " layers are named \"" + name + "\" in " + document.path().string() +
                       "; give one another name");
    return layer;
  }
  std::string known;
  for (const auto& layer : document.layers()) known += (known.empty() ? "" : ", ") + ("\"" + layerName(layer.get()) + "\"");
  throw inputError("no layer named \"" + name + "\" in " + document.path().string() +
                   (known.empty() ? " (it has no layers)" : " (layers: " + known + ")"));
}

std::string unlabelledReason(host::ILayer* layer) {
  auto geo = com::query<host::IGeoFeatureLayer>(layer);
  auto renderer = geo ? geo->Renderer() : nullptr;
  auto unlabelled = com::query<mapdoc::IUnlabelledRenderer>(renderer.get());
  return unlabelled ? "layer \"" + layerName(layer) + "\": " + unlabelled->Reason() : std::string();
}

host::Ref<host::IFeatureLayer> featureLayer(host::ILayer* layer) {
  auto feature = com::query<host::IFeatureLayer>(layer);
  if (!feature) throw inputError("layer \"" + layerName(layer) + "\" is not a feature layer");
  if (!layer->Valid()) {
    auto* own = dynamic_cast<mapdoc::FeatureLayer*>(layer);
    const std::string why = own ? own->problem() : std::string();
    throw inputError("the data of layer \"" + layerName(layer) + "\" cannot be opened" + (why.empty() ? "" : ": " + why));
  }
  return feature;
}

host::Ref<host::ITable> displayTable(host::ILayer* layer) {
  featureLayer(layer);
  auto display = com::query<host::IDisplayTable>(layer);
  if (!display) throw inputError("layer \"" + layerName(layer) + "\" has no table");
  return display->DisplayTable();
}

int findField(host::ITable* table, const std::string& field) {
  auto cls = com::query<host::IClass>(table);
  int index = cls->FindField(text::fromUtf8(field));
  if (index >= 0) return index;
  auto fields = cls->Fields();
  std::string known;
  for (int i = 0; i < fields->FieldCount(); ++i)
    known += (i ? ", " : "") + text::toUtf8(fields->Field(i)->Name());
  throw inputError("no field named \"" + field + "\" (fields: " + known + ")");
}

std::string readThroughQgis(mapdoc::MapDocument& document, host::ILayer* layer, const std::u16string& expression,
                            bool everyRecord) {
  const auto fields = mapdoc::qgis::expressionFieldNames(text::toUtf8(expression));
  const auto needs = mapdoc::qgis::qgisNeeds(document, layer, fields);
  if (!needs.any()) return {};
  try {
    mapdoc::qgis::evaluateInQgis(document, layer, fields, needs, everyRecord);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return {};
}

void labelsChanged(mapdoc::MapDocument& document) {
  if (auto contents = document.CurrentContentsView()) contents->Refresh(host::Value{});
  document.SetDirty();
  support::RefreshLayoutLegends(&document);
}

void checkWritable(const mapdoc::MapDocument& document, const std::string& output, bool force) {
  const std::filesystem::path file = output.empty() ? document.path() : std::filesystem::path(output);
  std::filesystem::path target;
  try {
    target = mapdoc::writeTarget(file);
  } catch (const mapdoc::WriteRefused& e) {
    throw inputError(std::string(e.what()) + "; nothing was written");
  }
  // Checked here, not left to the file system: a rename replaces a file
  // whatever its permissions, and the superuser passes every check.
  if (!force && mapdoc::isWriteProtected(target)) {
    const bool linked = target != std::filesystem::absolute(file);
    throw inputError(file.string() + (linked ? ", a link to " + target.string() + "," : std::string()) +
                     " is write-protected; nothing was written (--force writes it anyway)");
  }
}

void saveDocument(mapdoc::MapDocument& document, const std::string& output, bool force) {
  checkWritable(document, output, force);
  try {
    if (output.empty()) document.save();
    else document.saveAs(output);
  } catch (const mapdoc::DocumentError& e) {
    throw CommandError(kExitFailure, e.what());
  }
}

}  // namespace carrowind::cli
