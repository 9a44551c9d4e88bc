// MakeLabels on generated land-use layers, timed side by side with the two
// ways of getting the same numbers without it: one plain OGR read of the
// fields the work needs (the floor: a labeler has to read the data at least
// once) and ogrinfo's SQLite GROUP BY (what a user would type by hand), for
// three renderers: unique values over USE, unique values over USE and
// DISTRICT, and class breaks on ACRES.
//
// Every size, class count and format gets a fresh layer in a temporary
// folder, shared by the renderers measured on it and removed after they are
// measured. MakeLabels runs in a child process so
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

#include "bench/stopwatch.h"
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
constexpr int kRepeats = 5;

using bench::Clock;
using bench::Stopwatch;
using bench::Time;
using bench::since;

// Where results nobody looks at go, so the reads that make them stay.
volatile double sink = 0;

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

enum class Kind { Unique, Breaks, TwoFields };

struct Renderer {
  Kind kind;
  std::string key;   // as --renderers names it
  std::string name;  // as the report names it
};

const std::vector<Renderer> kRenderers = {
    {Kind::Unique, "unique", "unique values"},
    {Kind::Breaks, "breaks", "class breaks"},
    {Kind::TwoFields, "two-fields", "two fields"},
};

const char* const kDistricts[] = {"North", "South", "East", "West", "Central"};
constexpr int kDistrictCount = static_cast<int>(std::size(kDistricts));
constexpr char kDelimiter[] = ", ";

// ACRES as generate() writes it, in hundredths of an acre: kAcresLow plus a
// draw below kAcresSpan, so 0.05 to 80.04.
constexpr int kAcresLow = 5, kAcresSpan = 8000;
constexpr int kBreaks = 100;
constexpr int kBreakWidth = kAcresSpan / kBreaks;  // 0.8 acres

// Equal intervals of 0.8 from 0, the last raised to the largest value
// written so that every record is in a class. In hundredths, so that the
// document, the plain read and the SQL all compare the same numbers.
int breakUpperHundredths(int i) { return i + 1 < kBreaks ? kBreakWidth * (i + 1) : kAcresLow + kAcresSpan - 1; }

std::vector<double> breakUppers() {
  std::vector<double> uppers;
  for (int i = 0; i < kBreaks; ++i) uppers.push_back(breakUpperHundredths(i) / 100.0);
  return uppers;
}

std::string acresText(int hundredths) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%02d", hundredths / 100, hundredths % 100);
  return buf;
}

// A record's break class in SQLite: above the break below, up to and
// including its own, i.e. ceil(k / 80) - 1 for k = ACRES * 100 (ACRES is
// always whole hundredths, so the rounding is exact), with 80.01 to 80.04,
// above the last equal interval, in the last class. Arithmetic rather than a
// hundred-way CASE: what a user who knows the breaks are equal would type.
std::string breakClassSql() {
  return "MIN((CAST(ROUND(ACRES * 100) AS INTEGER) + " + std::to_string(kBreakWidth - 1) + ") / " +
         std::to_string(kBreakWidth) + ", " + std::to_string(kBreaks) + ") - 1";
}

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

// The legend's class values of a unique-values renderer over USE, or over
// USE and DISTRICT, on a layer with the given USE values; in the order the
// document lists them.
std::vector<std::string> classValues(Kind kind, int uses) {
  auto names = classNames(uses);
  if (kind != Kind::TwoFields) return names;
  std::vector<std::string> out;
  for (auto& name : names)
    for (auto* district : kDistricts) out.push_back(name + kDelimiter + district);
  return out;
}

int classCount(Kind kind, int uses) {
  return kind == Kind::Breaks ? kBreaks : kind == Kind::TwoFields ? uses * kDistrictCount : uses;
}

// The sample layer's fields, so a reader that takes only some of them has
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
  std::mt19937 random(static_cast<unsigned>(features) * 7919u + static_cast<unsigned>(classes));
  ds->StartTransaction();
  for (int i = 0; i < features; ++i) {
    // Every class has records: the first ones go to each class in turn, one
    // round per district, so that every (USE, DISTRICT) pair has records as
    // well. The draws those rounds override are still made, which leaves the
    // records after them as they were before there were pairs to fill.
    const int drawn = i < classes ? i : static_cast<int>(random() % static_cast<unsigned>(classes));
    const bool round = i < classes * kDistrictCount;
    const int c = round ? i % classes : drawn;
    const std::string& value = names[static_cast<std::size_t>(c)];
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField(0, value.c_str());
    feature.SetField(1, (value + " parcel, block " + std::to_string(random() % 5000)).c_str());
    feature.SetField(2, static_cast<double>(kAcresLow + static_cast<int>(random() % kAcresSpan)) / 100.0);
    feature.SetField(3, 1990 + static_cast<int>(random() % 35), 1 + static_cast<int>(random() % 12),
                     1 + static_cast<int>(random() % 28));
    feature.SetField(4, 1 + static_cast<int>(random() % 12));
    feature.SetField(5, static_cast<int>(random() % 5000));
    const int d = static_cast<int>(random() % kDistrictCount);
    feature.SetField(6, kDistricts[round ? i / classes : d]);
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

// A one-layer map document whose renderer puts every record in one of its
// classes (no default class): unique values over USE or over USE and
// DISTRICT listing every value, or the breaks on ACRES.
void writeDocument(const fs::path& doc, const fs::path& data, const Format& format, Kind kind, int uses) {
  nlohmann::json renderer;
  if (kind == Kind::Breaks) {
    nlohmann::json breaks = nlohmann::json::array();
    for (double upper : breakUppers()) breaks.push_back({{"upper", upper}});
    renderer = {{"type", "class_breaks"}, {"field", "ACRES"}, {"breaks", breaks}};
  } else {
    nlohmann::json classList = nlohmann::json::array();
    for (auto& value : classValues(kind, uses)) classList.push_back({{"values", {value}}, {"label", value}});
    renderer = {{"type", "unique_values"}, {"fields", {"USE"}}, {"classes", classList}};
    if (kind == Kind::TwoFields) {
      renderer["fields"] = {"USE", "DISTRICT"};
      renderer["field_delimiter"] = kDelimiter;
    }
  }
  nlohmann::json source = {{"path", data.string()}};
  if (format.driver == "GPKG") source["layer"] = kLayer;
  nlohmann::json d = {
      {"format", "carrowind-map"},
      {"version", 1},
      {"layers",
       {{{"name", "Land use"},
         {"type", "feature"},
         {"source", source},
         {"renderer", renderer}}}},
      {"selected_layer", "Land use"}};
  std::ofstream(doc) << d.dump(2);
}

struct ClassTotals {
  long count = 0;
  std::string firstUse, firstDescript;
  double acres = 0;
};

// One entry per legend class, in the document's order, and the records that
// fell in none of them.
struct Totals {
  std::vector<ClassTotals> classes;
  long outside = 0;
};

// Leaves out the geometry and every field the renderer's work does not read:
// the expression's USE, DESCRIPT and ACRES, and DISTRICT for the pairs.
void readOnlyWhatIsNeeded(OGRLayer& layer, Kind kind) {
  OGRFeatureDefn* defn = layer.GetLayerDefn();
  std::vector<const char*> ignored;
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const char* name = defn->GetFieldDefn(i)->GetNameRef();
    if (std::strcmp(name, "USE") != 0 && std::strcmp(name, "DESCRIPT") != 0 && std::strcmp(name, "ACRES") != 0 &&
        (kind != Kind::TwoFields || std::strcmp(name, "DISTRICT") != 0))
      ignored.push_back(name);
  }
  ignored.push_back("OGR_GEOMETRY");
  ignored.push_back("OGR_STYLE");
  ignored.push_back(nullptr);
  if (layer.SetIgnoredFields(ignored.data()) != OGRERR_NONE) throw std::runtime_error("cannot leave fields out");
}

// The floor: one pass over the layer reading those fields and nothing else,
// totalled per class: per USE value, per "USE, DISTRICT" pair, or per break
// by the renderer's rule (the first upper bound at or above the value).
Totals plainRead(const fs::path& file, Kind kind, int uses) {
  GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!ds) throw std::runtime_error("cannot open " + file.string());
  OGRLayer* layer = ds->GetLayerByName(kLayer);
  readOnlyWhatIsNeeded(*layer, kind);
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  const int use = defn->GetFieldIndex("USE"), descript = defn->GetFieldIndex("DESCRIPT"),
            acres = defn->GetFieldIndex("ACRES"), district = defn->GetFieldIndex("DISTRICT");
  std::unordered_map<std::string, int> classOfValue;
  std::vector<double> uppers;
  if (kind == Kind::Breaks) {
    uppers = breakUppers();
  } else {
    const auto values = classValues(kind, uses);
    for (std::size_t i = 0; i < values.size(); ++i) classOfValue.emplace(values[i], static_cast<int>(i));
  }
  Totals totals;
  totals.classes.resize(static_cast<std::size_t>(classCount(kind, uses)));
  auto add = [&](int c, OGRFeature& f) {
    if (c < 0) {
      ++totals.outside;
      return;
    }
    auto& t = totals.classes[static_cast<std::size_t>(c)];
    if (t.count++ == 0) {
      t.firstUse = f.GetFieldAsString(use);
      t.firstDescript = f.GetFieldAsString(descript);
    }
    if (f.IsFieldSetAndNotNull(acres)) t.acres += f.GetFieldAsDouble(acres);
  };
  auto lookUp = [&](const std::string& value) {
    auto it = classOfValue.find(value);
    return it == classOfValue.end() ? -1 : it->second;
  };
  for (auto& f : *layer) {
    switch (kind) {
      case Kind::Unique:
        add(lookUp(f->GetFieldAsString(use)), *f);
        break;
      case Kind::TwoFields:
        add(lookUp(std::string(f->GetFieldAsString(use)) + kDelimiter + f->GetFieldAsString(district)), *f);
        break;
      case Kind::Breaks: {
        int c = -1;
        if (f->IsFieldSetAndNotNull(acres)) {
          const auto at = std::lower_bound(uppers.begin(), uppers.end(), f->GetFieldAsDouble(acres));
          if (at != uppers.end()) c = static_cast<int>(at - uppers.begin());
        }
        add(c, *f);
        break;
      }
    }
  }
  return totals;
}

std::string sqlText(const std::string& value) {
  std::string quoted = "'";
  for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

// The attribute filter that selects the renderer's last class.
std::string lastClassClause(Kind kind, int uses) {
  if (kind == Kind::Breaks)
    return "\"ACRES\" > " + acresText(breakUpperHundredths(kBreaks - 2)) + " AND \"ACRES\" <= " +
           acresText(breakUpperHundredths(kBreaks - 1));
  const std::string use = "\"USE\" = " + sqlText(classNames(uses).back());
  return kind == Kind::TwoFields ? use + " AND \"DISTRICT\" = " + sqlText(kDistricts[kDistrictCount - 1]) : use;
}

// What one class costs a reader that asks for it alone, on a layer already
// open: the records of one class through an attribute filter, the fields the
// renderer's work needs read.
Time oneClassQuery(const fs::path& file, Kind kind, const std::string& clause) {
  GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  OGRLayer* layer = ds->GetLayerByName(kLayer);
  readOnlyWhatIsNeeded(*layer, kind);
  const Stopwatch watch;
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
Measured fastest(const std::function<Measured()>& once);

// The same for measurements to be compared with each other, taken in turn
// so that a neighbour busy for a while slows all of them alike.
std::vector<Measured> fastestInTurn(const std::vector<std::function<Measured()>>& measurements) {
  std::vector<Measured> best;
  for (const auto& once : measurements) best.push_back(once());
  auto again = [&] {
    for (const auto& m : best)
      if (m.capped || m.time.wall >= kRepeatBelow) return false;
    return true;
  };
  for (int i = 1; i < kRepeats && again(); ++i) {
    for (std::size_t k = 0; k < measurements.size(); ++k) {
      Measured m = measurements[k]();
      if (m.capped) {
        best[k] = m;
        continue;
      }
      best[k].time.wall = std::min(best[k].time.wall, m.time.wall);
      best[k].time.cpu = std::min(best[k].time.cpu, m.time.cpu);
    }
  }
  return best;
}

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

// Whether a label is what the expression makes of a class with these
// totals; a class without records is "$$SKIPPED".
bool labelRight(const std::string& label, const ClassTotals& t) {
  if (t.count == 0) return label == "$$SKIPPED";
  std::string upper = t.firstUse;
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string head = upper + " - " + t.firstDescript + " (", tail = " ac.)";
  if (label.size() <= head.size() + tail.size() || label.compare(0, head.size(), head) != 0 ||
      label.compare(label.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const double acres = std::stod(label.substr(head.size(), label.size() - head.size() - tail.size()));
  return std::fabs(acres - t.acres) <= 0.5 + 1e-6;
}

// The child's side: open the document, time MakeLabels, and check every
// label against a plain read's totals. Prints
// "open <s> make <wall s> <cpu s> labels <n> agree <n>".
int childMain(const fs::path& doc, const fs::path& data, Kind kind, int uses) {
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
  const auto totals = plainRead(data, kind, uses);
  auto labels = labeler->Labels();
  int agree = 0;
  for (int i = 0; i < std::min(labels->Count(), static_cast<int>(totals.classes.size())); ++i)
    if (labelRight(text::toUtf8(labels->Item(i + 1)), totals.classes[static_cast<std::size_t>(i)])) ++agree;
  std::printf("open %.6f make %.6f %.6f labels %d agree %d\n", openSeconds, make.wall, make.cpu, labels->Count(), agree);
  return 0;
}

// The plain read's side, in a process of its own as MakeLabels is, so that
// both pay what a fresh process pays to open a data source (a GeoPackage
// opens PROJ's and SpatiaLite's databases the first time). Prints
// "read <wall s> <cpu s> empty <n> outside <n>".
int childReadMain(const fs::path& data, Kind kind, int uses) {
  const Stopwatch watch;
  const auto totals = plainRead(data, kind, uses);
  const Time t = watch.elapsed();
  const auto empty = std::count_if(totals.classes.begin(), totals.classes.end(), [](const ClassTotals& c) { return c.count == 0; });
  std::printf("read %.6f %.6f empty %d outside %d\n", t.wall, t.cpu, static_cast<int>(empty), static_cast<int>(totals.outside));
  return 0;
}

struct Row {
  const Renderer* renderer = nullptr;
  int features = 0;
  int classes = 0;  // the legend's
  int empty = 0;    // classes without records
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
  std::vector<std::string> renderers = {"unique", "breaks", "two-fields"};
  std::string dir, note;
  std::vector<std::string> child;
  app.add_flag("--quick", quick, "small layers only (a smoke run)");
  app.add_option("--cap", cap, "seconds of processor time after which one measurement is stopped")->capture_default_str();
  app.add_option("--sizes", sizes, "numbers of features (default 10000 100000 1000000)");
  app.add_option("--classes", classCounts, "numbers of USE values (default 10 100 1000)");
  app.add_option("--formats", formats, "gpkg, shp")->capture_default_str();
  app.add_option("--renderers", renderers,
                 "unique (over USE), breaks (100 on ACRES, once per size and format), two-fields (over USE and DISTRICT)")
      ->check(CLI::IsMember({"unique", "breaks", "two-fields"}))
      ->capture_default_str();
  app.add_option("--dir", dir, "folder for the generated layers (default: a new temporary folder)");
  app.add_flag("--keep", keep, "leave the generated layers in place");
  app.add_flag("--index", index, "give every layer an attribute index on USE");
  app.add_option("--note", note, "a line added to the machine description");
  app.add_option("--child", child, "internal: document, data file, renderer, USE values")->expected(4);
  std::vector<std::string> childRead;
  app.add_option("--child-read", childRead, "internal: data file, renderer, USE values")->expected(3);
  CLI11_PARSE(app, argc, argv);

  auto rendererNamed = [](const std::string& key) {
    return &*std::find_if(kRenderers.begin(), kRenderers.end(), [&](const Renderer& r) { return r.key == key; });
  };
  GDALAllRegister();
  // Generating the layers need not wait for the disk; reads are unaffected.
  CPLSetConfigOption("OGR_SQLITE_SYNCHRONOUS", "OFF");
  if (!childRead.empty()) {
    try {
      return childReadMain(childRead[0], rendererNamed(childRead[1])->kind, std::stoi(childRead[2]));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "label_bench child: %s\n", e.what());
      return 1;
    }
  }
  if (!child.empty()) {
    try {
      auto renderer = std::find_if(kRenderers.begin(), kRenderers.end(), [&](const Renderer& r) { return r.key == child[2]; });
      if (renderer == kRenderers.end()) throw std::runtime_error("unknown renderer " + child[2]);
      return childMain(child[0], child[1], renderer->kind, std::stoi(child[3]));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "label_bench child: %s\n", e.what());
      return 1;
    }
  }
  if (sizes.empty()) sizes = quick ? std::vector<int>{2000, 10000} : std::vector<int>{10000, 100000, 1000000};
  if (classCounts.empty()) classCounts = quick ? std::vector<int>{10, 100} : std::vector<int>{10, 100, 1000};
  if (quick) cap = std::min(cap, 30.0);
  const bool pairs = std::find(renderers.begin(), renderers.end(), "two-fields") != renderers.end();
  for (int features : sizes)
    for (int classes : classCounts) {
      if (classes < 1 || features < classes) {
        std::fprintf(stderr, "label_bench: %d features cannot give each of %d classes a record\n", features, classes);
        return 2;
      }
      if (pairs && features < classes * kDistrictCount) {
        std::fprintf(stderr, "label_bench: %d features cannot give each of %d USE values a record in each of %d districts\n",
                     features, classes, kDistrictCount);
        return 2;
      }
    }

  const std::string loadBefore = readFile("/proc/loadavg");
  const fs::path root = dir.empty() ? fs::temp_directory_path() / ("carrowind-label-bench-" + std::to_string(getpid())) : fs::path(dir);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::vector<Row> rows;
  const auto runStart = Clock::now();
  try {
    for (int features : sizes) {
      for (int classes : classCounts) {
        // The breaks do not change with the number of USE values: they run
        // once per size and format, on the layer of the first count.
        std::vector<const Renderer*> here;
        for (auto& key : renderers)
          if (rendererNamed(key)->kind != Kind::Breaks || classes == classCounts.front()) here.push_back(rendererNamed(key));
        if (here.empty()) continue;
        for (auto& key : formats) {
          auto format = std::find_if(kFormats.begin(), kFormats.end(), [&](const Format& f) { return f.key == key; });
          if (format == kFormats.end()) throw std::runtime_error("unknown format " + key);
          const fs::path folder = root / (std::to_string(features) + "-" + std::to_string(classes) + "-" + key);
          fs::remove_all(folder);
          fs::create_directories(folder);
          const fs::path data = folder / format->file;
          auto start = Clock::now();
          generate(data, *format, features, classes);
          if (index) indexUse(data, *format);
          const double generated = since(start);

          for (const Renderer* renderer : here) {
            const Kind kind = renderer->kind;
            Row row;
            row.renderer = renderer;
            row.features = features;
            row.classes = classCount(kind, classes);
            row.format = format->name;
            row.generate = generated;
            const fs::path doc = folder / (renderer->key + ".cwmap");
            writeDocument(doc, data, *format, kind, classes);

            auto plainReadOnce = [&] {
              auto r = runChild({self, "--child-read", data.string(), renderer->key, std::to_string(classes)}, true, cap);
              Time t;
              int outside = 0;
              if (!r.ok || std::sscanf(r.out.c_str(), "read %lf %lf empty %d outside %d", &t.wall, &t.cpu, &row.empty,
                                       &outside) != 4)
                throw std::runtime_error("plain read failed on " + data.string());
              // Only a break may go without records; the generator fills every value and pair.
              if (outside != 0 || (kind != Kind::Breaks && row.empty != 0))
                throw std::runtime_error("plain read found other classes");
              return Measured{t};
            };
            const std::string clause = lastClassClause(kind, classes);
            row.classQuery = fastest([&] { return Measured{oneClassQuery(data, kind, clause)}; });
            const std::string groupBy =
                kind == Kind::Breaks ? std::string("SELECT ") + breakClassSql() +
                                           " AS break_class, COUNT(*), SUM(ACRES), MIN(USE), MIN(DESCRIPT) FROM " + kLayer +
                                           " GROUP BY break_class"
                : kind == Kind::TwoFields
                    ? std::string("SELECT USE, DISTRICT, COUNT(*), SUM(ACRES), MIN(DESCRIPT) FROM ") + kLayer +
                          " GROUP BY USE, DISTRICT"
                    : std::string("SELECT USE, COUNT(*), SUM(ACRES), MIN(DESCRIPT) FROM ") + kLayer + " GROUP BY USE";
            row.ogrinfo = fastest([&] {
              auto r = runChild({"ogrinfo", "-ro", "-dialect", "SQLite", "-sql", groupBy, data.string()}, false, cap);
              if (r.finished && !r.ok) throw std::runtime_error("ogrinfo failed on " + data.string());
              return Measured{r.time, !r.finished};
            });
            auto makeLabelsOnce = [&] {
              auto r = runChild({self, "--child", doc.string(), data.string(), renderer->key, std::to_string(classes)}, true, cap);
              if (!r.finished) return Measured{r.time, true};
              double open = 0;
              Time make;
              int labels = 0, agree = 0;
              if (!r.ok || std::sscanf(r.out.c_str(), "open %lf make %lf %lf labels %d agree %d", &open, &make.wall,
                                       &make.cpu, &labels, &agree) != 5)
                throw std::runtime_error("MakeLabels run failed on " + doc.string());
              row.agree = agree;
              if (labels != row.classes) row.note = std::to_string(labels) + " labels";
              return Measured{make};
            };
            const auto pair = fastestInTurn({makeLabelsOnce, plainReadOnce});
            row.make = pair[0];
            row.read = pair[1];
            if (row.empty > 0)
              row.note += (row.note.empty() ? "" : ", ") + std::to_string(row.empty) + " without records";
            std::fprintf(stderr, "%-13s %8d features %5d classes %-10s  generate %6.1f s  processor s: MakeLabels %8s  read %7s  ogrinfo %7s  class query %.4f  wall s: MakeLabels %8s  labels right %d/%d  [%.0f s]\n",
                         renderer->name.c_str(), features, row.classes, format->name.c_str(), row.generate,
                         cpuCell(row.make).c_str(), cpuCell(row.read).c_str(), cpuCell(row.ogrinfo).c_str(),
                         row.classQuery.time.cpu, wallCell(row.make).c_str(), row.agree, row.classes, since(runStart));
            rows.push_back(row);
          }
          if (!keep) fs::remove_all(folder);
        }
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "label_bench: %s\n", e.what());
    if (!keep && dir.empty()) fs::remove_all(root);
    return 1;
  }
  if (!keep && dir.empty()) fs::remove_all(root);
  // One block per renderer, in the order --renderers names them.
  auto order = [&](const Row& r) {
    return std::find(renderers.begin(), renderers.end(), r.renderer->key) - renderers.begin();
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) { return order(a) < order(b); });

  printMachine(note, loadBefore);
  std::printf("## Processor time\n\n");
  std::printf("Expression `%s`. Seconds of processor time (user and system) of the work itself, the least of %d runs "
              "where one took under %.0f s of wall time; \"> x\" is a run stopped at the cap of %s s of processor time "
              "with the time it had used by then (its own start included). MakeLabels and the plain read are run in turn, "
              "so that a busy neighbour slows both alike. Ratios are of processor times.\n\n",
              kExpression, kRepeats, kRepeatBelow, number(cap).c_str());
  std::printf("Renderers (\"classes\" is the number of legend classes):\n\n"
              "- unique values: over USE, one class per USE value; ogrinfo groups by USE.\n"
              "- two fields: unique values over USE and DISTRICT (delimiter \"%s\"), one class per pair: %d districts "
              "to each USE value, so %d times the classes of the same layer's unique values; ogrinfo groups by USE, "
              "DISTRICT.\n"
              "- class breaks: %d equal-interval breaks of %s on ACRES (values %s to %s), the last at the largest "
              "value; a class holds the values above the break below up to and including its own. Run once per size "
              "and format, on the layer with %d USE values; ogrinfo groups by the class computed in SQL "
              "(`%s`).\n\n",
              kDelimiter, kDistrictCount, kDistrictCount, kBreaks, acresText(kBreakWidth).c_str(),
              acresText(kAcresLow).c_str(), acresText(kAcresLow + kAcresSpan - 1).c_str(), classCounts.front(),
              breakClassSql().c_str());
  if (index) std::printf("Every layer has an attribute index on USE.\n\n");
  std::printf("| renderer | features | classes | format | MakeLabels s | plain read s | ogrinfo s | MakeLabels / read | MakeLabels / ogrinfo |\n");
  std::printf("|---|---:|---:|---|---:|---:|---:|---:|---:|\n");
  for (auto& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", r.renderer->name.c_str(),
                withThousands(r.features).c_str(), withThousands(r.classes).c_str(), r.format.c_str(),
                cpuCell(r.make).c_str(), cpuCell(r.read).c_str(), cpuCell(r.ogrinfo).c_str(),
                ratio(r.make, r.read).c_str(), ratio(r.make, r.ogrinfo).c_str());
  std::printf("\n## Wall time and checks\n\n");
  std::printf("The same runs in seconds of wall time. \"one class query\" is the processor time of one OGR attribute "
              "filter for the last class (`\"USE\" = '...'`, with `AND \"DISTRICT\" = '...'` for two fields, "
              "`\"ACRES\" > ... AND \"ACRES\" <= ...` for class breaks) on an open layer, read through (the fields "
              "the plain read reads); \"× classes\" is that times the number of classes, what any reader pays that "
              "asks for the classes one query each. \"labels right\": labels equal to the plain read's first USE, "
              "first DESCRIPT and ACRES total per class (\"$$SKIPPED\" for a class without records). \"generate\" is "
              "making the layer, once for all the renderers measured on it.\n\n");
  std::printf("| renderer | features | classes | format | MakeLabels s | plain read s | ogrinfo s | one class query s | × classes s | labels right | generate s |\n");
  std::printf("|---|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (auto& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %.4f | %s | %s | %.1f |\n", r.renderer->name.c_str(),
                withThousands(r.features).c_str(), withThousands(r.classes).c_str(), r.format.c_str(),
                wallCell(r.make).c_str(), wallCell(r.read).c_str(), wallCell(r.ogrinfo).c_str(), r.classQuery.time.cpu,
                number(r.classQuery.time.cpu * r.classes).c_str(),
                r.agree < 0 ? "–" : (std::to_string(r.agree) + " of " + std::to_string(r.classes) + (r.note.empty() ? "" : ", " + r.note)).c_str(),
                r.generate);
  std::printf("\nWhole run: %.0f s.\n", since(runStart));
  return 0;
}
