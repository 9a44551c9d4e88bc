#include "mapdoc/qgis/qgis_evaluation.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

#include "mapdoc/qgis/qgis_renderer.h"
#include "mapdoc/qgis/qgis_store.h"
#include "platform/process/run_program.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {
namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return lower(n) == lower(name); });
}

host::Ref<IQgisClassified> qgisRenderer(host::ILayer* layer) {
  auto geo = com::query<host::IGeoFeatureLayer>(layer);
  auto renderer = geo ? geo->Renderer() : nullptr;
  return com::query<IQgisClassified>(renderer.get());
}

// Folders QGIS wrote into, removed when the program ends.
class Scratch {
 public:
  static Scratch& instance() {
    static Scratch scratch;
    return scratch;
  }
  fs::path make() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "carrowind-qgis-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder for QGIS's records in " + base.string());
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.push_back(pattern);
    return pattern;
  }
  ~Scratch() {
    std::error_code ec;
    for (const auto& f : folders_) fs::remove_all(f, ec);
  }

 private:
  std::mutex mutex_;
  std::vector<fs::path> folders_;
};

fs::path besideProgram() {
  std::error_code ec;
  const auto self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return self.parent_path().parent_path() / "share" / "carrowind" / "qgis" / "carrowind_labels" / "records.py";
}

// The plugin's records module: named by CARROWIND_QGIS_RECORDS, installed
// beside the program, or in the sources it was built from.
fs::path recordsModule() {
  if (const char* named = std::getenv("CARROWIND_QGIS_RECORDS"); named && *named) return named;
  std::error_code ec;
  if (auto installed = besideProgram(); !installed.empty() && fs::exists(installed, ec)) return installed;
#ifdef CARROWIND_SOURCE_DIR
  if (fs::path built = fs::path(CARROWIND_SOURCE_DIR) / "qgis" / "carrowind_labels" / "records.py"; fs::exists(built, ec))
    return built;
#endif
  return {};
}

// Debian's QGIS is a module of the system's Python.
std::string qgisPython() {
  if (const char* named = std::getenv("CARROWIND_QGIS_PYTHON"); named && *named) return named;
  if (auto system = platform::process::findProgram("/usr/bin/python3"); !system.empty()) return system;
  return platform::process::findProgram("python3");
}

std::string firstLine(const std::string& text) {
  std::string out = text;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  // the last line of a Python traceback says what went wrong
  if (auto at = out.rfind('\n'); at != std::string::npos) out = out.substr(at + 1);
  return out;
}

}  // namespace

std::string QgisNeeds::why() const {
  std::string out;
  for (const auto& r : reasons) out += (out.empty() ? "" : "; ") + r;
  return out;
}

std::vector<std::string> expressionFieldNames(const std::string& expression) {
  std::vector<std::string> out;
  for (std::size_t open = expression.find('['); open != std::string::npos; open = expression.find('[', open + 1)) {
    const auto close = expression.find(']', open + 1);
    if (close == std::string::npos) break;
    const std::string name = expression.substr(open + 1, close - open - 1);
    if (name.find('[') == std::string::npos && !name.empty() && !contains(out, name)) out.push_back(name);
  }
  return out;
}

QgisNeeds qgisNeeds(MapDocument& document, host::ILayer* layer, const std::vector<std::string>& fields) {
  QgisNeeds out;
  auto* store = dynamic_cast<QgisStore*>(document.store());
  const LabelledLayer* labelled = store ? store->labelledLayer(layer) : nullptr;
  if (!labelled) return out;
  auto renderer = qgisRenderer(layer);
  if (renderer) {
    if (auto why = renderer->QgisOnly(); !why.empty()) {
      out.classes = true;
      out.reasons.push_back(why);
    }
  }
  const std::string& provider = labelled->provider;
  if (provider != "ogr" && provider != "postgres") {
    out.data = true;
    out.reasons.push_back("its data comes through QGIS's \"" + provider + "\" provider");
  } else if (out.classes && provider == "postgres") {
    // QGIS's feature IDs of a table are its own unless the key is an integer
    out.data = true;
  }
  std::vector<std::string> read = fields;
  if (renderer)
    for (const auto& f : renderer->ReadFields()) read.push_back(text::toUtf8(f));
  for (const auto& name : read) {
    if (!contains(labelled->virtualFields, name)) continue;
    out.data = true;
    out.reasons.push_back("\"" + name + "\" is a virtual field");
  }
  return out;
}

void useQgisClasses(FeatureLayer& layer, const fs::path& file) {
  auto renderer = qgisRenderer(&layer);
  if (!renderer) throw std::runtime_error("the layer \"" + text::toUtf8(layer.Name()) + "\" is not drawn by a QGIS renderer with classes");
  auto classes = FeatureClasses::read(file);
  auto listed = com::query<host::IRendererClasses>(renderer.get());
  const std::size_t count = listed ? static_cast<std::size_t>(listed->ClassCount()) : 0;
  if (classes->itemCount() != count)
    throw std::runtime_error(file.string() + " gives the classes of " + std::to_string(classes->itemCount()) +
                             " legend items; the layer's renderer has " + std::to_string(count));
  renderer->UseFeatureClasses(std::move(classes));
}

void evaluateInQgis(MapDocument& document, host::ILayer* layer, const std::vector<std::string>& fields,
                    const QgisNeeds& needs, bool everyRecord) {
  auto* store = dynamic_cast<QgisStore*>(document.store());
  const LabelledLayer* labelled = store ? store->labelledLayer(layer) : nullptr;
  auto* feature = dynamic_cast<FeatureLayer*>(layer);
  const std::string name = text::toUtf8(layer->Name());
  auto refuse = [&](const std::string& problem) {
    throw std::runtime_error("layer \"" + name + "\": " + needs.why() + ", which only QGIS can evaluate; " + problem);
  };
  if (!labelled || !feature) refuse("it is not a layer of a QGIS file");
  if (store->kind() == FileKind::Style)
    refuse("a layer style holds no layer for QGIS to open: label the layer in QGIS with the Carrowind plugin, "
           "which hands these over itself");
  const fs::path module = recordsModule();
  const std::string python = qgisPython();
  if (module.empty() || python.empty())
    refuse("QGIS (python3-qgis) or Carrowind's QGIS plugin is not installed");

  fs::path folder;
  try {
    folder = Scratch::instance().make();
  } catch (const std::runtime_error& e) {
    refuse(e.what());
  }
  std::string fieldList;
  std::vector<std::string> read = fields;
  if (auto renderer = qgisRenderer(layer))
    for (const auto& f : renderer->ReadFields()) read.push_back(text::toUtf8(f));
  for (const auto& f : read) fieldList += f + "\n";
  std::vector<std::string> args{module.string(), "--project", store->file().string(), "--layer-id", labelled->key,
                                "--fields", fieldList, "--out", folder.string()};
  if (needs.data) args.push_back("--export");
  if (needs.classes) args.push_back("--classes");
  if (everyRecord) args.push_back("--every-record");
  const auto run = platform::process::runProgram(python, args);
  if (!run.startError.empty()) refuse(python + " cannot be started: " + run.startError);
  if (run.exitCode != 0) {
    if (run.err.find("No module named 'qgis'") != std::string::npos)
      refuse("QGIS's Python module is not installed for " + python + " (Debian: apt install python3-qgis)");
    refuse("QGIS failed: " + firstLine(run.err.empty() ? run.out : run.err));
  }
  const Json manifest = Json::parse(run.out, nullptr, false);
  if (manifest.is_discarded() || !manifest.is_object()) refuse("QGIS answered no list of what it wrote");
  try {
    if (manifest.value("table", Json()).is_string())
      feature->readRecordsFrom(SourceSpec{manifest["table"].get<std::string>(), "", "records"});
    if (manifest.value("classes", Json()).is_string()) useQgisClasses(*feature, manifest["classes"].get<std::string>());
  } catch (const std::runtime_error& e) {
    refuse(std::string("what QGIS wrote cannot be read: ") + e.what());
  }
}

}  // namespace mapdoc::qgis
