// MakeLabels on generated land-use layers, timed side by side with the two
// ways of getting the same numbers without it: one plain OGR read of the
// three fields (the floor: a labeler has to read the data at least once) and
// ogrinfo's SQLite GROUP BY (what a user would type by hand).
//
// Every size, class count and format gets a fresh layer in a temporary
// folder, removed after it is measured. MakeLabels runs in a child process so
// that a run longer than the cap can be stopped and reported as "> cap".
// Prints a Markdown report on standard output, progress on standard error.
#include <CLI/CLI.hpp>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/labeler_object.h"
#include "mapdoc/document.h"
#include "platform/text/utf.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr char kExpression[] = "[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)";
constexpr char kLayer[] = "landuse";
// Shorter runs are repeated and the fastest kept: other work on the machine
// only ever adds time.
constexpr double kRepeatBelow = 5.0;
constexpr int kRepeats = 3;

using Clock = std::chrono::steady_clock;

// Where results nobody looks at go, so the reads that make them stay.
volatile double sink = 0;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct Format {
  std::string key;     // as --formats names it
  std::string name;    // as the report names it
  std::string driver;  // OGR driver
  std::string file;    // file name inside the combination's folder
};

const std::vector<Format> kFormats = {
    {"gpkg", "GeoPackage", "GPKG", "landuse.gpkg"},
    {"shp", "Shapefile", "ESRI Shapefile", "landuse.shp"},
};

// Class values: the sample map's land uses, numbered once there are more
// classes than uses. One has a quote, which every clause must double.
std::vector<std::string> classNames(int classes) {
  static const char* const uses[] = {"Agricultural", "Commercial",     "Industrial", "Institutional",
                                     "Park",         "Residential",    "Vacant",     "Women's Center",
                                     "Wetland",      "Transportation", "Utility",    "Recreation"};
  constexpr int n = static_cast<int>(std::size(uses));
  std::vector<std::string> out;
  for (int i = 0; i < classes; ++i)
    out.push_back(classes <= n ? uses[i] : std::string(uses[i % n]) + " " + std::to_string(i / n + 1));
  return out;
}

// The sample layer's fields, so a reader that takes only three of them has
// the others to leave out, and parcels of sixteen vertices.
void generate(const fs::path& file, const Format& format, int features, int classes) {
  const auto names = classNames(classes);
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format.driver.c_str());
  if (!driver) throw std::runtime_error("no OGR driver " + format.driver);
  GDALDatasetUniquePtr ds(driver->Create(file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!ds) throw std::runtime_error("cannot create " + file.string());
  OGRSpatialReference srs;
  const bool haveSrs = srs.importFromEPSG(26915) == OGRERR_NONE;
  OGRLayer* layer = ds->CreateLayer(kLayer, haveSrs ? &srs : nullptr, wkbPolygon, nullptr);
  OGRFieldDefn use("USE", OFTString), descript("DESCRIPT", OFTString), acres("ACRES", OFTReal),
      surveyed("SURVEYED", OFTDate), floors("FLOORS", OFTInteger), owner("OWNER_ID", OFTInteger),
      district("DISTRICT", OFTString);
  use.SetWidth(32);
  descript.SetWidth(64);
  acres.SetWidth(12);
  acres.SetPrecision(2);
  floors.SetWidth(4);
  owner.SetWidth(9);
  district.SetWidth(16);
  for (auto* f : {&use, &descript, &acres, &surveyed, &floors, &owner, &district})
    if (layer->CreateField(f) != OGRERR_NONE) throw std::runtime_error("cannot create field in " + file.string());
  static const char* const districts[] = {"North", "South", "East", "West", "Central"};
  std::mt19937 random(static_cast<unsigned>(features) * 7919u + static_cast<unsigned>(classes));
  ds->StartTransaction();
  for (int i = 0; i < features; ++i) {
    // Every class has records: the first ones go to each class in turn.
    const int c = i < classes ? i : static_cast<int>(random() % static_cast<unsigned>(classes));
    const std::string& value = names[static_cast<std::size_t>(c)];
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField(0, value.c_str());
    feature.SetField(1, (value + " parcel, block " + std::to_string(random() % 5000)).c_str());
    feature.SetField(2, static_cast<double>(5 + random() % 8000) / 100.0);
    feature.SetField(3, 1990 + static_cast<int>(random() % 35), 1 + static_cast<int>(random() % 12),
                     1 + static_cast<int>(random() % 28));
    feature.SetField(4, 1 + static_cast<int>(random() % 12));
    feature.SetField(5, static_cast<int>(random() % 5000));
    feature.SetField(6, districts[random() % std::size(districts)]);
    OGRLinearRing ring;
    const double x = 482000 + (i % 1000) * 60.0, y = 4978000 + (i / 1000) * 60.0;
    for (int k = 0; k < 16; ++k) ring.addPoint(x + 30 + 25 * std::cos(k * M_PI / 8), y + 30 + 25 * std::sin(k * M_PI / 8));
    ring.closeRings();
    OGRPolygon polygon;
    polygon.addRing(&ring);
    feature.SetGeometry(&polygon);
    if (layer->CreateFeature(&feature) != OGRERR_NONE) throw std::runtime_error("cannot write " + file.string());
  }
  ds->CommitTransaction();
}

// A one-layer map document whose unique-values renderer over USE lists
// every class (no default class: every record is in one of them).
void writeDocument(const fs::path& doc, const fs::path& data, const Format& format, int classes) {
  nlohmann::json classList = nlohmann::json::array();
  for (auto& name : classNames(classes)) classList.push_back({{"values", {name}}, {"label", name}});
  nlohmann::json source = {{"path", data.string()}};
  if (format.driver == "GPKG") source["layer"] = kLayer;
  nlohmann::json d = {
      {"format", "carrowind-map"},
      {"version", 1},
      {"layers",
       {{{"name", "Land use"},
         {"type", "feature"},
         {"source", source},
         {"renderer", {{"type", "unique_values"}, {"fields", {"USE"}}, {"classes", classList}}}}}},
      {"selected_layer", "Land use"}};
  std::ofstream(doc) << d.dump(2);
}

struct ClassTotals {
  long count = 0;
  std::string firstDescript;
  double acres = 0;
};

// Leaves out the geometry and every field but USE, DESCRIPT and ACRES.
void readOnlyTheThree(OGRLayer& layer) {
  OGRFeatureDefn* defn = layer.GetLayerDefn();
  std::vector<const char*> ignored;
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const char* name = defn->GetFieldDefn(i)->GetNameRef();
    if (std::strcmp(name, "USE") != 0 && std::strcmp(name, "DESCRIPT") != 0 && std::strcmp(name, "ACRES") != 0)
      ignored.push_back(name);
  }
  ignored.push_back("OGR_GEOMETRY");
  ignored.push_back("OGR_STYLE");
  ignored.push_back(nullptr);
  if (layer.SetIgnoredFields(ignored.data()) != OGRERR_NONE) throw std::runtime_error("cannot leave fields out");
}

// The floor: one pass over the layer reading USE, DESCRIPT and ACRES and
// nothing else, totalled per USE.
std::unordered_map<std::string, ClassTotals> plainRead(const fs::path& file) {
  GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!ds) throw std::runtime_error("cannot open " + file.string());
  OGRLayer* layer = ds->GetLayerByName(kLayer);
  readOnlyTheThree(*layer);
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  const int use = defn->GetFieldIndex("USE"), descript = defn->GetFieldIndex("DESCRIPT"),
            acres = defn->GetFieldIndex("ACRES");
  std::unordered_map<std::string, ClassTotals> totals;
  for (auto& f : *layer) {
    auto& t = totals[f->GetFieldAsString(use)];
    if (t.count++ == 0) t.firstDescript = f->GetFieldAsString(descript);
    if (f->IsFieldSetAndNotNull(acres)) t.acres += f->GetFieldAsDouble(acres);
  }
  return totals;
}

// What one class costs a reader that asks for it alone: the records of
// one USE value through an attribute filter, the three fields read.
double oneClassQuery(const fs::path& file, const std::string& value) {
  const auto start = Clock::now();
  GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  OGRLayer* layer = ds->GetLayerByName(kLayer);
  readOnlyTheThree(*layer);
  std::string quoted;
  for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  const std::string clause = "\"USE\" = '" + quoted + "'";
  if (layer->SetAttributeFilter(clause.c_str()) != OGRERR_NONE) throw std::runtime_error("bad filter " + clause);
  double sum = 0;
  for (auto& f : *layer) sum += f->GetFieldAsDouble("ACRES") + static_cast<double>(std::strlen(f->GetFieldAsString("DESCRIPT")));
  sink = sum;
  return since(start);
}

struct ChildRun {
  bool finished = false;  // false: stopped at the cap
  bool ok = false;        // exited with status 0
  double seconds = 0;     // wall time from spawn to exit
  std::string out;        // standard output (when captured)
};

// Runs a program, waiting at most cap seconds; its standard output is
// captured or thrown away. The wait ends the moment the child exits.
ChildRun runChild(const std::vector<std::string>& args, bool capture, double cap) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int out[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (capture) {
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  ChildRun r;
  pid_t pid = 0;
  const auto start = Clock::now();
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (capture) close(out[1]);
  if (spawned != 0) {
    if (capture) close(out[0]);
    throw std::runtime_error("cannot run " + args[0] + ": " + std::strerror(spawned));
  }
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidfd < 0) throw std::runtime_error("pidfd_open failed");
  pollfd p{pidfd, POLLIN, 0};
  const int ready = poll(&p, 1, static_cast<int>(cap * 1000));
  r.seconds = since(start);
  close(pidfd);
  if (ready == 0) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  r.finished = ready > 0;
  r.ok = r.finished && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (capture) {
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) r.out.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
  }
  return r;
}

// A measurement: seconds, or nothing when it ran into the cap.
using Seconds = std::optional<double>;

// Repeats a short measurement and keeps the fastest.
Seconds fastest(const std::function<Seconds()>& once) {
  Seconds best = once();
  for (int i = 1; i < kRepeats && best && *best < kRepeatBelow; ++i) {
    Seconds t = once();
    if (!t) return t;
    best = std::min(*best, *t);
  }
  return best;
}

// The child's side: open the document, time MakeLabels, and check every
// label against a plain read's totals. Prints
// "open <s> make <s> labels <n> agree <n>".
int childMain(const fs::path& doc, const fs::path& data, int classes) {
  const auto openStart = Clock::now();
  auto document = mapdoc::MapDocument::open(doc);
  auto layer = document->layer(u"Land use");
  const double openSeconds = since(openStart);
  auto labeler = com::make<engine::QVXCarrowind>();
  const auto makeStart = Clock::now();
  const bool made = labeler->MakeLabels(layer.get(), text::fromUtf8(kExpression));
  const double makeSeconds = since(makeStart);
  if (!made) {
    std::fprintf(stderr, "MakeLabels failed: %s\n", text::toUtf8(labeler->Message()).c_str());
    return 1;
  }
  const auto totals = plainRead(data);
  const auto names = classNames(classes);
  auto labels = labeler->Labels();
  int agree = 0;
  for (int i = 0; i < std::min(labels->Count(), classes); ++i) {
    const std::string label = text::toUtf8(labels->Item(i + 1));
    const std::string& name = names[static_cast<std::size_t>(i)];
    auto it = totals.find(name);
    if (it == totals.end()) continue;
    std::string upper = name;
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string head = upper + " - " + it->second.firstDescript + " (", tail = " ac.)";
    if (label.size() <= head.size() + tail.size() || label.compare(0, head.size(), head) != 0 ||
        label.compare(label.size() - tail.size(), tail.size(), tail) != 0)
      continue;
    const double acres = std::stod(label.substr(head.size(), label.size() - head.size() - tail.size()));
    if (std::fabs(acres - it->second.acres) <= 0.5 + 1e-6) ++agree;
  }
  std::printf("open %.6f make %.6f labels %d agree %d\n", openSeconds, makeSeconds, labels->Count(), agree);
  return 0;
}

struct Row {
  int features = 0;
  int classes = 0;
  std::string format;
  double generate = 0;
  Seconds make, read, ogrinfo;
  double classQuery = 0;
  int agree = -1;  // labels that matched the plain read's totals; -1: not run
  std::string note;
};

std::string readFile(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The value of the first "key: value" or "key=value" line starting with key.
std::string firstLineWith(const std::string& text, const std::string& key) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) {
      auto value = line.substr(key.size());
      value.erase(0, value.find_first_not_of(" \t:="));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      return value;
    }
  return "?";
}

std::string trimmed(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  return s;
}

std::string number(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, s < 10 ? "%.3f" : s < 100 ? "%.2f" : "%.1f", s);
  return buf;
}

std::string cell(const Seconds& s, double cap) { return s ? number(*s) : "> " + number(cap); }

std::string ratio(const Seconds& top, const Seconds& bottom, double cap) {
  if (!bottom || *bottom <= 0) return "–";
  char buf[32];
  const double r = (top ? *top : cap) / *bottom;
  std::snprintf(buf, sizeof buf, r < 10 ? "%.2f" : "%.0f", r);
  return (top ? "" : "> ") + std::string(buf);
}

std::string withThousands(int n) {
  std::string s = std::to_string(n);
  for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<std::size_t>(i), " ");
  return s;
}

void printMachine(const std::string& note, const std::string& loadBefore) {
  const std::string cpu = readFile("/proc/cpuinfo");
  const std::string mem = readFile("/proc/meminfo");
  utsname u{};
  uname(&u);
  std::printf("## Machine\n\n");
  std::printf("- CPU: %s, %ld logical cores (nproc)\n", firstLineWith(cpu, "model name").c_str(), sysconf(_SC_NPROCESSORS_ONLN));
  const long kib = std::atol(firstLineWith(mem, "MemTotal").c_str());
  std::printf("- RAM: %.1f GiB\n", static_cast<double>(kib) / (1024.0 * 1024.0));
  std::printf("- OS: %s, kernel %s\n", firstLineWith(readFile("/etc/os-release"), "PRETTY_NAME").c_str(), u.release);
  std::printf("- GDAL: %s (ogrinfo: %s)\n", GDALVersionInfo("RELEASE_NAME"),
              trimmed(runChild({"ogrinfo", "--version"}, true, 30).out).c_str());
  std::printf("- compiler: GCC %s, %s build (%s)\n", __VERSION__, CW_BUILD_TYPE, CW_BUILD_FLAGS);
  std::printf("- load average (1, 5, 15 min) before: %s, after: %s\n", trimmed(loadBefore).substr(0, 14).c_str(),
              trimmed(readFile("/proc/loadavg")).substr(0, 14).c_str());
  if (!note.empty()) std::printf("- %s\n", note.c_str());
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Times MakeLabels against one plain read and ogrinfo's GROUP BY on generated land-use layers"};
  bool quick = false, keep = false;
  double cap = 300;
  std::vector<int> sizes, classCounts;
  std::vector<std::string> formats = {"gpkg", "shp"};
  std::string dir, note;
  std::vector<std::string> child;
  app.add_flag("--quick", quick, "small layers only (a smoke run)");
  app.add_option("--cap", cap, "seconds after which one measurement is stopped")->capture_default_str();
  app.add_option("--sizes", sizes, "numbers of features (default 10000 100000 1000000)");
  app.add_option("--classes", classCounts, "numbers of classes (default 10 100 1000)");
  app.add_option("--formats", formats, "gpkg, shp")->capture_default_str();
  app.add_option("--dir", dir, "folder for the generated layers (default: a new temporary folder)");
  app.add_flag("--keep", keep, "leave the generated layers in place");
  app.add_option("--note", note, "a line added to the machine description");
  app.add_option("--child", child, "internal: document, data file, classes")->expected(3);
  CLI11_PARSE(app, argc, argv);

  GDALAllRegister();
  CPLSetConfigOption("OGR_SQLITE_SYNCHRONOUS", "OFF");
  if (!child.empty()) {
    try {
      return childMain(child[0], child[1], std::stoi(child[2]));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "label_bench child: %s\n", e.what());
      return 1;
    }
  }
  if (sizes.empty()) sizes = quick ? std::vector<int>{2000, 10000} : std::vector<int>{10000, 100000, 1000000};
  if (classCounts.empty()) classCounts = quick ? std::vector<int>{10, 100} : std::vector<int>{10, 100, 1000};
  if (quick) cap = std::min(cap, 60.0);

  const std::string loadBefore = readFile("/proc/loadavg");
  const fs::path root = dir.empty() ? fs::temp_directory_path() / ("carrowind-label-bench-" + std::to_string(getpid())) : fs::path(dir);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::vector<Row> rows;
  const auto runStart = Clock::now();
  try {
    for (int features : sizes) {
      for (int classes : classCounts) {
        for (auto& key : formats) {
          auto format = std::find_if(kFormats.begin(), kFormats.end(), [&](const Format& f) { return f.key == key; });
          if (format == kFormats.end()) throw std::runtime_error("unknown format " + key);
          Row row;
          row.features = features;
          row.classes = classes;
          row.format = format->name;
          const fs::path folder = root / (std::to_string(features) + "-" + std::to_string(classes) + "-" + key);
          fs::remove_all(folder);
          fs::create_directories(folder);
          const fs::path data = folder / format->file, doc = folder / "landuse.cwmap";
          auto start = Clock::now();
          generate(data, *format, features, classes);
          row.generate = since(start);
          writeDocument(doc, data, *format, classes);

          row.read = fastest([&]() -> Seconds {
            const auto s = Clock::now();
            auto totals = plainRead(data);
            const double t = since(s);
            if (static_cast<int>(totals.size()) != classes) throw std::runtime_error("plain read found other classes");
            return t;
          });
          row.classQuery = *fastest([&]() -> Seconds { return oneClassQuery(data, classNames(classes).back()); });
          row.ogrinfo = fastest([&]() -> Seconds {
            auto r = runChild({"ogrinfo", "-ro", "-dialect", "SQLite", "-sql",
                               std::string("SELECT USE, COUNT(*), SUM(ACRES), MIN(DESCRIPT) FROM ") + kLayer +
                                   " GROUP BY USE",
                               data.string()},
                              false, cap);
            if (r.finished && !r.ok) throw std::runtime_error("ogrinfo failed on " + data.string());
            return r.finished ? Seconds(r.seconds) : std::nullopt;
          });
          row.make = fastest([&]() -> Seconds {
            auto r = runChild({self, "--child", doc.string(), data.string(), std::to_string(classes)}, true, cap);
            if (!r.finished) return std::nullopt;
            double open = 0, make = 0;
            int labels = 0, agree = 0;
            if (!r.ok || std::sscanf(r.out.c_str(), "open %lf make %lf labels %d agree %d", &open, &make, &labels, &agree) != 4)
              throw std::runtime_error("MakeLabels run failed on " + doc.string());
            row.agree = agree;
            if (labels != classes) row.note = std::to_string(labels) + " labels";
            return make;
          });
          if (!keep) fs::remove_all(folder);
          std::fprintf(stderr, "%8d features %5d classes %-10s  generate %7.2f s  MakeLabels %9s s  read %8s s  ogrinfo %8s s  class query %.4f s  labels right %d/%d  [%.0f s]\n",
                       features, classes, format->name.c_str(), row.generate, cell(row.make, cap).c_str(),
                       cell(row.read, cap).c_str(), cell(row.ogrinfo, cap).c_str(), row.classQuery, row.agree, classes,
                       since(runStart));
          rows.push_back(row);
        }
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "label_bench: %s\n", e.what());
    return 1;
  }
  if (!keep && dir.empty()) fs::remove_all(root);

  printMachine(note, loadBefore);
  std::printf("## Times\n\n");
  std::printf("Expression `%s`; seconds of wall time, the fastest of %d runs where one took under %.0f s; "
              "\"> %s\" is a run stopped at the cap.\n\n",
              kExpression, kRepeats, kRepeatBelow, number(cap).c_str());
  std::printf("| features | classes | format | MakeLabels s | plain read s | ogrinfo s | MakeLabels / read | MakeLabels / ogrinfo |\n");
  std::printf("|---:|---:|---|---:|---:|---:|---:|---:|\n");
  for (auto& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n", withThousands(r.features).c_str(),
                withThousands(r.classes).c_str(), r.format.c_str(), cell(r.make, cap).c_str(), cell(r.read, cap).c_str(),
                cell(r.ogrinfo, cap).c_str(), ratio(r.make, r.read, cap).c_str(), ratio(r.make, r.ogrinfo, cap).c_str());
  std::printf("\n## One class at a time\n\n");
  std::printf("One OGR attribute-filter query for the last class, read through (the fastest of %d), against MakeLabels "
              "per class; their ratio is how many such queries each class costs MakeLabels.\n\n",
              kRepeats);
  std::printf("| features | classes | format | one class query s | MakeLabels per class s | queries per class | labels right | generate s |\n");
  std::printf("|---:|---:|---|---:|---:|---:|---:|---:|\n");
  for (auto& r : rows) {
    std::string perClass = "–", queries = "–";
    if (r.make) {
      perClass = number(*r.make / r.classes);
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.1f", *r.make / r.classes / r.classQuery);
      queries = buf;
    }
    std::printf("| %s | %s | %s | %.4f | %s | %s | %s | %.1f |\n", withThousands(r.features).c_str(),
                withThousands(r.classes).c_str(), r.format.c_str(), r.classQuery, perClass.c_str(), queries.c_str(),
                r.agree < 0 ? "–" : (std::to_string(r.agree) + " of " + std::to_string(r.classes) + (r.note.empty() ? "" : ", " + r.note)).c_str(),
                r.generate);
  }
  std::printf("\nWhole run: %.0f s.\n", since(runStart));
  return 0;
}
