// MakeLabels on a PostGIS table of millions of rows, side by side with the
// two ways of getting the same numbers without it: the GROUP BY a user would
// type into psql, and reading every row of the fields the labels need to the
// client (what a labeler that totals on the client cannot go below).
//
// The table is generated on the server with generate_series the first time
// and kept (bench_landuse_<rows>): making it takes longer than every
// measurement together. Wall time is what counts here, since the work is the
// server's; the client's processor time is shown beside it.
// Prints a Markdown report on standard output, progress on standard error.
#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench/stopwatch.h"
#include "engine/labeler_object.h"
#include "mapdoc/document.h"
#include "platform/text/utf.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using bench::Time;

volatile double sink = 0;

// The fastest of a few runs: other work on the machine only adds time.
Time fastest(int runs, const std::function<void()>& once) {
  Time best{1e300, 0};
  for (int i = 0; i < runs; ++i) {
    const bench::Stopwatch watch;
    once();
    if (const Time t = watch.elapsed(); t.wall < best.wall) best = t;
  }
  return best;
}

struct Server {
  std::string psql;        // the psql program
  std::vector<std::string> args;  // how it reaches the database
  std::string connection;  // GDAL's
};

// Runs psql with a statement; its output when capture is set. Throws when it fails.
std::string psql(const Server& s, const std::string& sql, bool capture = true) {
  std::vector<std::string> args = {s.psql, "-X", "-q", "-t", "-A", "-v", "ON_ERROR_STOP=1"};
  args.insert(args.end(), s.args.begin(), s.args.end());
  args.insert(args.end(), {"-c", sql});
  const fs::path out = fs::temp_directory_path() / ("pg_bench_" + std::to_string(::getpid()));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, capture ? out.c_str() : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
    throw std::runtime_error("cannot run " + s.psql);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  waitpid(pid, &status, 0);
  std::string text;
  if (capture) {
    std::ifstream in(out);
    text.assign(std::istreambuf_iterator<char>(in), {});
    fs::remove(out);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("psql failed on: " + sql.substr(0, 200));
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// Land uses scattered over the rows (a multiplicative hash of the key), an
// area in hundredths of an acre from 0.05 to 80.04, a description, floors.
void makeTable(const Server& s, const std::string& table, long rows) {
  if (psql(s, "SELECT to_regclass('" + table + "') IS NOT NULL") == "t") return;
  std::cerr << "making " << table << " with generate_series (once)...\n";
  psql(s, "CREATE TABLE " + table +
              " AS SELECT g AS gid, 'use ' || ((g * 2654435761) % 10) AS \"USE10\","
              " 'use ' || ((g * 2654435761) % 100) AS \"USE100\", 'use ' || ((g * 2654435761) % 1000) AS \"USE1000\","
              " 'parcel ' || (g % 997) AS \"DESCRIPT\", (5 + (g::int8 * 40503) % 8000) / 100.0::float8 AS \"ACRES\","
              " (g % 40)::int4 AS \"FLOORS\" FROM generate_series(1, " + std::to_string(rows) + ") g");
  psql(s, "ALTER TABLE " + table + " ADD PRIMARY KEY (gid)");
  psql(s, "VACUUM ANALYZE " + table);
}

constexpr int kBreaks = 100;
double breakUpper(int i) { return i + 1 < kBreaks ? 0.8 * (i + 1) : 80.04; }

struct Case {
  std::string name;
  int classes;
  std::string field;  // the renderer's
};

nlohmann::json renderer(const Case& c) {
  if (c.name == "class breaks") {
    nlohmann::json breaks = nlohmann::json::array();
    for (int i = 0; i < kBreaks; ++i) breaks.push_back({{"upper", breakUpper(i)}});
    return {{"type", "class_breaks"}, {"field", "ACRES"}, {"breaks", breaks}};
  }
  nlohmann::json classes = nlohmann::json::array();
  for (int i = 0; i < c.classes; ++i) classes.push_back({{"values", {"use " + std::to_string(i)}}, {"label", "x"}});
  return {{"type", "unique_values"}, {"fields", {c.field}}, {"classes", classes}};
}

std::string expression(const Case& c) {
  return "[" + c.field + "].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)";
}

// What a user would type for the same totals.
std::string groupBySql(const Case& c, const std::string& table) {
  std::string key = "\"" + c.field + "\"";
  if (c.name == "class breaks") {
    std::string thresholds;
    for (int i = kBreaks - 1; i >= 0; --i) thresholds += (thresholds.empty() ? "" : ",") + std::to_string(-breakUpper(i));
    key = "width_bucket(-\"ACRES\", '{" + thresholds + "}'::float8[])";
  }
  return "SELECT " + key + ", count(*), sum(\"ACRES\"), min(gid), max(gid) FROM " + table + " GROUP BY 1";
}

std::vector<std::u16string> makeLabels(const fs::path& doc, const std::string& expr) {
  auto document = mapdoc::MapDocument::open(doc);
  auto layer = document->layer(u"Layer");
  auto labeler = com::make<engine::QVXCarrowind>();
  if (!labeler->MakeLabels(layer.get(), text::fromUtf8(expr)))
    throw std::runtime_error("MakeLabels failed: " + text::toUtf8(labeler->Message()));
  std::vector<std::u16string> out;
  auto labels = labeler->Labels();
  for (int i = 1; i <= labels->Count(); ++i) out.push_back(labels->Item(i));
  return out;
}

// Every row of the fields the labels need, read to the client.
void readEveryRow(const Server& s, const std::string& table, const Case& c) {
  GDALDatasetUniquePtr ds(GDALDataset::Open(s.connection.c_str(), GDAL_OF_VECTOR));
  if (!ds) throw std::runtime_error("cannot open " + s.connection);
  OGRLayer* layer = ds->GetLayerByName(table.c_str());
  if (!layer) throw std::runtime_error("no layer " + table);
  std::vector<const char*> ignored;
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const std::string name = defn->GetFieldDefn(i)->GetNameRef();
    if (name != c.field && name != "DESCRIPT" && name != "ACRES") ignored.push_back(defn->GetFieldDefn(i)->GetNameRef());
  }
  ignored.push_back(nullptr);
  layer->SetIgnoredFields(ignored.data());
  const int acres = defn->GetFieldIndex("ACRES");
  double total = 0;
  for (auto& f : *layer) total += f->GetFieldAsDouble(acres);
  sink = total;
}

std::string fixed(double x, int places = 2) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", places, x);
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"MakeLabels on a generated PostGIS table against psql's GROUP BY and reading every row."};
  long rows = 10'000'000;
  std::string connection, psqlProgram = "psql", host, port = "54329", database = "carrowind_test", user = "postgres",
                                  note;
  int runs = 3;
  app.add_option("--rows", rows, "rows of the generated table")->capture_default_str();
  app.add_option("--host", host, "the server's host or socket folder (scripts/pg-test-server's by default)");
  app.add_option("--port", port, "the server's port")->capture_default_str();
  app.add_option("--dbname", database, "the database")->capture_default_str();
  app.add_option("--user", user, "the role")->capture_default_str();
  app.add_option("--psql", psqlProgram, "the psql program")->capture_default_str();
  app.add_option("--runs", runs, "runs of each measurement; the fastest counts")->capture_default_str();
  app.add_option("--note", note, "a line printed under the report's title");
  CLI11_PARSE(app, argc, argv);
  if (host.empty()) host = "/tmp/carrowind-pg-" + std::to_string(::getuid());

  try {
    GDALAllRegister();
    Server s;
    s.psql = psqlProgram;
    s.args = {"-h", host, "-p", port, "-U", user, "-d", database};
    s.connection = "PG:host=" + host + " port=" + port + " dbname=" + database + " user=" + user;
    const std::string table = "bench_landuse_" + std::to_string(rows);
    makeTable(s, table, rows);

    const std::vector<Case> cases = {{"unique values", 10, "USE10"},
                                     {"unique values", 100, "USE100"},
                                     {"unique values", 1000, "USE1000"},
                                     {"class breaks", kBreaks, "USE10"}};
    const fs::path dir = fs::temp_directory_path() / ("pg_bench_" + std::to_string(::getpid()) + "_docs");
    fs::create_directories(dir);

    std::cout << "# MakeLabels on PostGIS\n\n";
    if (!note.empty()) std::cout << note << "\n\n";
    std::cout << "Server: " << psql(s, "SELECT version()") << "\n\n";
    std::cout << "| setting | value |\n|---|---|\n";
    for (const char* setting : {"max_parallel_workers_per_gather", "max_parallel_workers", "shared_buffers", "work_mem",
                                "jit", "effective_cache_size"})
      std::cout << "| " << setting << " | " << psql(s, std::string("SHOW ") + setting) << " |\n";
    std::cout << "\nRows: " << rows << " (table " << table << ", "
              << psql(s, "SELECT pg_size_pretty(pg_total_relation_size('" + table + "'))") << ")\n\n";
    std::cout << "| renderer | classes | MakeLabels wall s | MakeLabels client cpu s | psql GROUP BY wall s | "
                 "read every row wall s | MakeLabels / psql | read / MakeLabels |\n"
              << "|---|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const auto& c : cases) {
      std::cerr << c.name << ", " << c.classes << " classes...\n";
      const fs::path doc = dir / "bench.cwmap";
      nlohmann::json layer = {{"name", "Layer"},
                              {"type", "feature"},
                              {"source", {{"connection", s.connection}, {"layer", table}}},
                              {"renderer", renderer(c)}};
      std::ofstream(doc) << nlohmann::json{{"format", "carrowind-map"}, {"version", 1}, {"layers", {layer}}}.dump();
      const std::string expr = expression(c);
      std::vector<std::u16string> labels;
      const Time labelling = fastest(runs, [&] { labels = makeLabels(doc, expr); });
      if (labels.size() != static_cast<std::size_t>(c.classes)) throw std::runtime_error("wrong number of labels");
      const Time typed = fastest(runs, [&] { psql(s, groupBySql(c, table), false); });
      const Time read = fastest(1, [&] { readEveryRow(s, table, c); });
      std::cout << "| " << c.name << " | " << c.classes << " | " << fixed(labelling.wall) << " | "
                << fixed(labelling.cpu) << " | " << fixed(typed.wall) << " | " << fixed(read.wall) << " | "
                << fixed(labelling.wall / typed.wall) << " | " << fixed(read.wall / labelling.wall, 1) << " |\n";
      std::cerr << "  first label: " << text::toUtf8(labels.front()) << "\n";
    }
    fs::remove_all(dir);
  } catch (const std::exception& e) {
    std::cerr << "pg_bench: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
