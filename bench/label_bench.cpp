// MakeLabels on generated land-use layers, timed side by side with the two
// ways of getting the same numbers without it: one plain OGR read of the
// three fields (the floor: a labeler has to read the data at least once) and
// ogrinfo's SQLite GROUP BY (what a user would type by hand).
//
// Every size, class count and format gets a fresh layer in a temporary
// folder, removed after it is measured. MakeLabels runs in a child process so
// that a run using more processor time than the cap can be stopped and
// reported as "> the time it had used".
// Prints a Markdown report on standard output, progress on standard error.
#include <CLI/CLI.hpp>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
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

// Seconds of processor time this process (all its threads) has used.
double cpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Wall time and processor time of one measurement. On a machine shared with
// others' builds the wall time stretches with their load; the processor
// time is the work itself.
struct Time {
  double wall = 0;
  double cpu = 0;
};

struct Stopwatch {
  Clock::time_point wall = Clock::now();
  double cpu = cpuNow();
  Time elapsed() const { return {since(wall), cpuNow() - cpu}; }
};

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

// An attribute index on USE, which the class queries' "USE" = '...' can use:
// a GeoPackage index in SQLite, a Shapefile .idx/.ind pair that OGR's
// attribute filter reads.
void indexUse(const fs::path& file, const Format& format) {
  GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
  if (!ds) throw std::runtime_error("cannot open " + file.string() + " to index it");
  const std::string sql = format.driver == "GPKG" ? std::string("CREATE INDEX landuse_use ON ") + kLayer + " (USE)"
                                                  : std::string("CREATE INDEX ON ") + kLayer + " USING USE";
  CPLErrorReset();
  ds->ExecuteSQL(sql.c_str(), nullptr, nullptr);
  if (CPLGetLastErrorType() >= CE_Failure) throw std::runtime_error("cannot index " + file.string() + ": " + CPLGetLastErrorMsg());
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

// What one class costs a reader that asks for it alone, on a layer already
// open: the records of one USE value through an attribute filter, the three
// fields read.
Time oneClassQuery(const fs::path& file, const std::string& value) {
  GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  OGRLayer* layer = ds->GetLayerByName(kLayer);
  readOnlyTheThree(*layer);
  const Stopwatch watch;
  std::string quoted;
  for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  const std::string clause = "\"USE\" = '" + quoted + "'";
  if (layer->SetAttributeFilter(clause.c_str()) != OGRERR_NONE) throw std::runtime_error("bad filter " + clause);
  double sum = 0;
  for (auto& f : *layer) sum += f->GetFieldAsDouble("ACRES") + static_cast<double>(std::strlen(f->GetFieldAsString("DESCRIPT")));
  sink = sum;
  return watch.elapsed();
}

struct ChildRun {
  bool finished = false;  // false: stopped at the cap (or signalled)
  bool ok = false;        // exited with status 0
  Time time;              // from spawn to exit; processor time of the child
  std::string out;        // standard output (when captured)
};

// Runs a program that may use cap seconds of processor time, its standard
// output captured or thrown away. The wait ends the moment the child exits;
// in case the machine is so busy that even that takes long, the child is
// also stopped after twenty times the cap in wall time.
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
  // The limit stops the child with SIGXCPU, without a core file.
  const rlim_t cpuLimit = static_cast<rlim_t>(std::ceil(cap));
  const rlimit cpu{cpuLimit, cpuLimit + 2}, core{0, 0};
  prlimit(pid, RLIMIT_CORE, &core, nullptr);
  prlimit(pid, RLIMIT_CPU, &cpu, nullptr);
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidfd < 0) throw std::runtime_error("pidfd_open failed");
  pollfd p{pidfd, POLLIN, 0};
  const int ready = poll(&p, 1, static_cast<int>(std::min(cap * 20, 2e9 / 1000) * 1000));
  r.time.wall = since(start);
  close(pidfd);
  if (ready == 0) kill(pid, SIGKILL);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  r.time.cpu = secs(usage.ru_utime) + secs(usage.ru_stime);
  r.finished = ready > 0 && !(WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL));
  r.ok = r.finished && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (capture) {
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) r.out.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
  }
  return r;
}

// A measurement; a run stopped at the cap keeps the processor time it had
// used by then.
struct Measured {
  Time time;
  bool capped = false;
};

// Repeats a short measurement and keeps the least wall and processor time.
Measured fastest(const std::function<Measured()>& once) {
  Measured best = once();
  for (int i = 1; i < kRepeats && !best.capped && best.time.wall < kRepeatBelow; ++i) {
    Measured m = once();
    if (m.capped) return m;
    best.time.wall = std::min(best.time.wall, m.time.wall);
    best.time.cpu = std::min(best.time.cpu, m.time.cpu);
  }
  return best;
}

// The child's side: open the document, time MakeLabels, and check every
// label against a plain read's totals. Prints
// "open <s> make <wall s> <cpu s> labels <n> agree <n>".
int childMain(const fs::path& doc, const fs::path& data, int classes) {
  const auto openStart = Clock::now();
  auto document = mapdoc::MapDocument::open(doc);
  auto layer = document->layer(u"Land use");
  const double openSeconds = since(openStart);
  auto labeler = com::make<engine::QVXCarrowind>();
  const Stopwatch watch;
  const bool made = labeler->MakeLabels(layer.get(), text::fromUtf8(kExpression));
  const Time make = watch.elapsed();
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
  std::printf("open %.6f make %.6f %.6f labels %d agree %d\n", openSeconds, make.wall, make.cpu, labels->Count(), agree);
  return 0;
}

struct Row {
  int features = 0;
  int classes = 0;
  std::string format;
  double generate = 0;
  Measured make, read, ogrinfo, classQuery;
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

// The three load averages of a /proc/loadavg line.
std::string loadAverages(const std::string& line) {
  std::istringstream in(line);
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

std::string number(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, s < 10 ? "%.3f" : s < 100 ? "%.2f" : "%.1f", s);
  return buf;
}

std::string cpuCell(const Measured& m) { return (m.capped ? "> " : "") + number(m.time.cpu); }
std::string wallCell(const Measured& m) { return (m.capped ? "> " : "") + number(m.time.wall); }

// Processor time over processor time.
std::string ratio(const Measured& top, const Measured& bottom) {
  if (bottom.capped || bottom.time.cpu <= 0) return "–";
  char buf[32];
  const double r = top.time.cpu / bottom.time.cpu;
  std::snprintf(buf, sizeof buf, r < 10 ? "%.2f" : "%.0f", r);
  return (top.capped ? "> " : "") + std::string(buf);
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
  std::printf("- load average (1, 5, 15 min) before: %s, after: %s\n", loadAverages(loadBefore).c_str(),
              loadAverages(readFile("/proc/loadavg")).c_str());
  if (!note.empty()) std::printf("- %s\n", note.c_str());
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Times MakeLabels against one plain read and ogrinfo's GROUP BY on generated land-use layers"};
  bool quick = false, keep = false, index = false;
  double cap = 120;
  std::vector<int> sizes, classCounts;
  std::vector<std::string> formats = {"gpkg", "shp"};
  std::string dir, note;
  std::vector<std::string> child;
  app.add_flag("--quick", quick, "small layers only (a smoke run)");
  app.add_option("--cap", cap, "seconds of processor time after which one measurement is stopped")->capture_default_str();
  app.add_option("--sizes", sizes, "numbers of features (default 10000 100000 1000000)");
  app.add_option("--classes", classCounts, "numbers of classes (default 10 100 1000)");
  app.add_option("--formats", formats, "gpkg, shp")->capture_default_str();
  app.add_option("--dir", dir, "folder for the generated layers (default: a new temporary folder)");
  app.add_flag("--keep", keep, "leave the generated layers in place");
  app.add_flag("--index", index, "give every layer an attribute index on USE");
  app.add_option("--note", note, "a line added to the machine description");
  app.add_option("--child", child, "internal: document, data file, classes")->expected(3);
  CLI11_PARSE(app, argc, argv);

  GDALAllRegister();
  // Generating the layers need not wait for the disk; reads are unaffected.
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
  if (quick) cap = std::min(cap, 30.0);
  for (int features : sizes)
    for (int classes : classCounts)
      if (classes < 1 || features < classes) {
        std::fprintf(stderr, "label_bench: %d features cannot give each of %d classes a record\n", features, classes);
        return 2;
      }

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
          if (index) indexUse(data, *format);
          row.generate = since(start);
          writeDocument(doc, data, *format, classes);

          row.read = fastest([&] {
            const Stopwatch watch;
            auto totals = plainRead(data);
            const Time t = watch.elapsed();
            if (static_cast<int>(totals.size()) != classes) throw std::runtime_error("plain read found other classes");
            return Measured{t};
          });
          row.classQuery = fastest([&] { return Measured{oneClassQuery(data, classNames(classes).back())}; });
          row.ogrinfo = fastest([&] {
            auto r = runChild({"ogrinfo", "-ro", "-dialect", "SQLite", "-sql",
                               std::string("SELECT USE, COUNT(*), SUM(ACRES), MIN(DESCRIPT) FROM ") + kLayer +
                                   " GROUP BY USE",
                               data.string()},
                              false, cap);
            if (r.finished && !r.ok) throw std::runtime_error("ogrinfo failed on " + data.string());
            return Measured{r.time, !r.finished};
          });
          row.make = fastest([&] {
            auto r = runChild({self, "--child", doc.string(), data.string(), std::to_string(classes)}, true, cap);
            if (!r.finished) return Measured{r.time, true};
            double open = 0;
            Time make;
            int labels = 0, agree = 0;
            if (!r.ok || std::sscanf(r.out.c_str(), "open %lf make %lf %lf labels %d agree %d", &open, &make.wall,
                                     &make.cpu, &labels, &agree) != 5)
              throw std::runtime_error("MakeLabels run failed on " + doc.string());
            row.agree = agree;
            if (labels != classes) row.note = std::to_string(labels) + " labels";
            return Measured{make};
          });
          if (!keep) fs::remove_all(folder);
          std::fprintf(stderr, "%8d features %5d classes %-10s  generate %6.1f s  processor s: MakeLabels %8s  read %7s  ogrinfo %7s  class query %.4f  wall s: MakeLabels %8s  labels right %d/%d  [%.0f s]\n",
                       features, classes, format->name.c_str(), row.generate, cpuCell(row.make).c_str(),
                       cpuCell(row.read).c_str(), cpuCell(row.ogrinfo).c_str(), row.classQuery.time.cpu,
                       wallCell(row.make).c_str(), row.agree, classes, since(runStart));
          rows.push_back(row);
        }
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "label_bench: %s\n", e.what());
    if (!keep && dir.empty()) fs::remove_all(root);
    return 1;
  }
  if (!keep && dir.empty()) fs::remove_all(root);

  printMachine(note, loadBefore);
  std::printf("## Processor time\n\n");
  std::printf("Expression `%s`. Seconds of processor time (user and system) of the work itself, the least of %d runs "
              "where one took under %.0f s of wall time; \"> x\" is a run stopped at the cap of %s s of processor time "
              "with the time it had used by then (its own start included). Ratios are of processor times.\n\n",
              kExpression, kRepeats, kRepeatBelow, number(cap).c_str());
  if (index) std::printf("Every layer has an attribute index on USE.\n\n");
  std::printf("| features | classes | format | MakeLabels s | plain read s | ogrinfo s | MakeLabels / read | MakeLabels / ogrinfo |\n");
  std::printf("|---:|---:|---|---:|---:|---:|---:|---:|\n");
  for (auto& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n", withThousands(r.features).c_str(),
                withThousands(r.classes).c_str(), r.format.c_str(), cpuCell(r.make).c_str(), cpuCell(r.read).c_str(),
                cpuCell(r.ogrinfo).c_str(), ratio(r.make, r.read).c_str(), ratio(r.make, r.ogrinfo).c_str());
  std::printf("\n## Wall time and checks\n\n");
  std::printf("The same runs in seconds of wall time. \"one class query\" is the processor time of one OGR attribute "
              "filter `\"USE\" = '...'` on an open layer, read through (three fields); \"× classes\" is that "
              "times the number of classes, what any reader pays that asks for the classes one query each. "
              "\"labels right\": labels equal to the plain read's first DESCRIPT and ACRES total per class.\n\n");
  std::printf("| features | classes | format | MakeLabels s | plain read s | ogrinfo s | one class query s | × classes s | labels right | generate s |\n");
  std::printf("|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (auto& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %.4f | %s | %s | %.1f |\n", withThousands(r.features).c_str(),
                withThousands(r.classes).c_str(), r.format.c_str(), wallCell(r.make).c_str(),
                wallCell(r.read).c_str(), wallCell(r.ogrinfo).c_str(), r.classQuery.time.cpu,
                number(r.classQuery.time.cpu * r.classes).c_str(),
                r.agree < 0 ? "–" : (std::to_string(r.agree) + " of " + std::to_string(r.classes) + (r.note.empty() ? "" : ", " + r.note)).c_str(),
                r.generate);
  std::printf("\nWhole run: %.0f s.\n", since(runStart));
  return 0;
}
