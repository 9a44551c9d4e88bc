#include "apps/carrowind/document_access.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <system_error>
#include <vector>

#include "apps/carrowind/commands.h"
#include "mapdoc/atomic_file.h"
#include "mapdoc/layers/feature_layer.h"
#include "mapdoc/qgis/qgis_evaluation.h"
#include "mapdoc/qgis/qgis_file.h"
#include "mapdoc/renderers/unsupported_renderer.h"
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

std::vector<mapdoc::DocumentLock> lockForWriting(const DocumentArg& document, const std::string& output) {
  std::vector<std::filesystem::path> files{document.file};
  if (!output.empty()) files.push_back(output);
  return lockFiles(std::move(files));
}

std::vector<mapdoc::DocumentLock> lockFiles(std::vector<std::filesystem::path> files) {
  // In one order for every command, so that two never wait on each other.
  for (auto& file : files) file = std::filesystem::absolute(file);
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  std::vector<mapdoc::DocumentLock> locks;
  for (const auto& file : files) {
    try {
      locks.push_back(mapdoc::DocumentLock::acquire(file));
    } catch (const mapdoc::DocumentLocked& e) {
      throw CommandError(kExitFailure, e.what());
    } catch (const mapdoc::WriteRefused&) {
      // a broken link: reading or writing says so
    }
  }
  return locks;
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

namespace {

namespace fs = std::filesystem;

std::string lowerCase(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// A file as it is reached: the file a chain of links ends at, in a folder
// without links. Works for files that do not exist yet.
fs::path reached(const fs::path& file) {
  std::error_code ec;
  fs::path target = file;
  try {
    target = mapdoc::writeTarget(file);
  } catch (const mapdoc::WriteRefused&) {
  }
  const fs::path real = fs::weakly_canonical(fs::absolute(target), ec);
  return ec ? fs::absolute(target).lexically_normal() : real;
}

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (reached(a) == reached(b)) return true;
  return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

// The files beside a data file that its driver reads with it, named as
// GDAL looks for them (either letter case), existing or not: writing one
// changes the data as surely as writing the file.
std::vector<fs::path> companionFiles(const fs::path& data) {
  static const std::vector<std::string> shapefile = {"shp", "shx", "dbf", "prj", "cpg", "qix", "sbn", "sbx",
                                                     "fbn", "fbx", "ain", "aih", "atx", "ixs", "mxs", "qpj", "shp.xml"};
  static const std::vector<std::string> delimited = {"csvt", "prj"};
  const std::string ext = lowerCase(data.extension().string());
  std::vector<fs::path> out;
  const auto besides = [&](const std::vector<std::string>& extensions) {
    for (const auto& e : extensions) {
      std::string upper = e;
      std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      for (const auto& x : {e, upper}) out.push_back(data.parent_path() / (data.stem().string() + "." + x));
    }
  };
  if (ext == ".shp" || ext == ".shx" || ext == ".dbf") besides(shapefile);
  else if (ext == ".csv") besides(delimited);
  else if (ext == ".gpkg" || ext == ".sqlite" || ext == ".db" || ext == ".sqlite3")
    for (const char* side : {"-wal", "-shm", "-journal"}) out.push_back(data.string() + side);
  return out;
}

struct OwnData {
  std::string layer;
  std::string what;  // "the data", "the joined table"
  fs::path path;
};

// Every file the document's layers read: their data, their joined tables.
std::vector<OwnData> ownData(const mapdoc::MapDocument& document) {
  std::vector<OwnData> out;
  const auto add = [&](const std::string& layer, const char* what, const mapdoc::SourceSpec& source, const fs::path& baseDir) {
    if (source.path.empty()) return;  // a connection
    fs::path path;
    try {
      path = mapdoc::openRequest(source, baseDir).name;
    } catch (const std::exception&) {
      path = fs::path(mapdoc::splitSourcePath(source.path).first);
      if (path.is_relative()) path = baseDir / path;
    }
    out.push_back({layer, what, path});
  };
  for (const auto& layer : document.layers()) {
    const std::string name = layerName(layer.get());
    if (auto* feature = dynamic_cast<mapdoc::FeatureLayer*>(layer.get())) {
      add(name, "the data", feature->source(), feature->baseDir());
      for (const auto& join : feature->joins()) add(name, "the joined table", join.table, feature->baseDir());
    } else if (auto raster = com::query<host::IRasterLayer>(layer.get())) {
      const fs::path file(text::toUtf8(raster->FilePath()));
      if (file.is_absolute()) out.push_back({name, "the data", file});
    }
  }
  return out;
}

}  // namespace

void refuseOwnData(const mapdoc::MapDocument& document, const std::filesystem::path& file) {
  const auto shown = [&] {
    const fs::path target = reached(file);
    return file.string() + (target != fs::absolute(file).lexically_normal() ? ", which is " + target.string() + "," : "");
  };
  std::error_code ec;
  for (const auto& data : ownData(document)) {
    if (sameFile(file, data.path))
      throw inputError(shown() + " is " + data.what + " of layer \"" + data.layer +
                       "\"; nothing was written (name another file)");
    for (const auto& companion : companionFiles(data.path))
      if (sameFile(file, companion))
        throw inputError(shown() + " belongs to " + data.what + " of layer \"" + data.layer + "\" (" +
                         data.path.string() + "); nothing was written (name another file)");
    // a folder of data (a folder of shapefiles, a File Geodatabase) owns
    // every file in it
    if (fs::is_directory(data.path, ec) && fs::exists(file, ec)) {
      const fs::path folder = reached(data.path), target = reached(file);
      if (std::mismatch(folder.begin(), folder.end(), target.begin(), target.end()).first == folder.end())
        throw inputError(shown() + " is in the data folder of layer \"" + data.layer + "\" (" + data.path.string() +
                         "); nothing was written (name another file)");
    }
  }
}

void refuseForeignName(const mapdoc::MapDocument& document, const std::filesystem::path& file) {
  const auto written = mapdoc::qgis::fileKind(reached(file));
  if (!document.store()) {
    if (written)
      throw inputError(file.string() + ": a map document is not written under a QGIS file name (.qgs, .qgz, .qml), "
                       "which every command would then read as QGIS's; nothing was written (name it .cwmap)");
    return;
  }
  // a QGIS file is written as one of the same kind
  const auto read = mapdoc::qgis::fileKind(document.path());
  if (read && written != read)
    throw inputError(file.string() + ": a " + mapdoc::qgis::describe(*read) +
                     " is written as one again; nothing was written (give the new file that extension)");
}

void checkWritable(const mapdoc::MapDocument& document, const std::string& output, bool force) {
  const std::filesystem::path file = output.empty() ? document.path() : std::filesystem::path(output);
  std::filesystem::path target;
  try {
    target = mapdoc::writeTarget(file);
  } catch (const mapdoc::WriteRefused& e) {
    throw inputError(std::string(e.what()) + "; nothing was written");
  }
  refuseForeignName(document, file);
  refuseOwnData(document, file);
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
