#include "bench/label_measures.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unordered_map>

#include "engine/labeler_object.h"
#include "mapdoc/document.h"
#include "platform/text/utf.h"

extern char** environ;

namespace bench {
namespace {

// Where results nobody looks at go, so the reads that make them stay.
volatile double sink = 0;

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

std::string sqlText(const std::string& value) {
  std::string quoted = "'";
  for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
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

}  // namespace

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

std::string lastClassClause(Kind kind, int uses) {
  if (kind == Kind::Breaks)
    return "\"ACRES\" > " + acresText(breakUpperHundredths(kBreaks - 2)) + " AND \"ACRES\" <= " +
           acresText(breakUpperHundredths(kBreaks - 1));
  const std::string use = "\"USE\" = " + sqlText(classNames(uses).back());
  return kind == Kind::TwoFields ? use + " AND \"DISTRICT\" = " + sqlText(kDistricts[kDistrictCount - 1]) : use;
}

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

int childReadMain(const fs::path& data, Kind kind, int uses) {
  const Stopwatch watch;
  const auto totals = plainRead(data, kind, uses);
  const Time t = watch.elapsed();
  const auto empty = std::count_if(totals.classes.begin(), totals.classes.end(), [](const ClassTotals& c) { return c.count == 0; });
  std::printf("read %.6f %.6f empty %d outside %d\n", t.wall, t.cpu, static_cast<int>(empty), static_cast<int>(totals.outside));
  return 0;
}

}  // namespace bench
