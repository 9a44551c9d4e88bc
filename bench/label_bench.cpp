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
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/label_data.h"
#include "bench/label_measures.h"
#include "bench/label_report.h"

using namespace bench;

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
  printReport(rows, cap, index, classCounts.front(), note, loadBefore, runStart);
  return 0;
}
