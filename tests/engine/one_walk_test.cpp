// The one walk over a layer against a query per class. Over many generated
// layers (Shapefile, GeoPackage and, on the PostgreSQL test server, a PostGIS
// table), renderers and record options, both ways must give the same labels
// to the byte and the same skipped flag; and the drawing's classes must be
// the labeler's. On the server the "walk" is the server's grouped totals.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "../common/scratch_dir.h"
#include "engine/labeler_object.h"
#include "engine/record_classes.h"
#include "host/renderer.h"
#include "mapdoc/document.h"
#include "platform/progress/progress.h"
#include "platform/text/utf.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using host::Text;

// Text values with what trips clauses up: letter-case twins, blanks,
// quotes, backslashes (OGR reads \' as an escape), LIKE's wildcards,
// non-ASCII text, the empty text.
const std::vector<std::string> kTexts = {"Park", "PARK", "park ", "Crèche", "Women's Center", "x\\", "C:\\data\\",
                                         "a\\'b", "100%_done!", "北京", "", "Résidentiel"};
const std::vector<std::string> kRegions = {"North", "South", "south", "East"};
const std::vector<double> kReals = {-2.5, 0, 0.5, 1.25, 2, 3.1428920976928216, 7.75, 12, 40.125, 99.5};
const std::vector<std::string> kDays = {"2019-12-31", "2020-01-01", "2020-01-02", "2020-02-29"};
const std::vector<std::string> kOwnerTypes = {"City", "CITY", "Trust", "O'Brien"};

const std::string kServerDir = CW_PG_DIR;
const std::string kServer = "PG:host=" + kServerDir + " port=54329 dbname=carrowind_test user=postgres";

// A schema of this process's own: ctest runs cases side by side, and each
// loads its table "parcels".
std::string schemaConnection() {
  return kServer + " active_schema=walk_" + std::to_string(::getpid());
}

bool serverRunning() { return fs::exists(fs::path(kServerDir) / ".s.PGSQL.54329"); }

// The formats to run on: the server's only when it runs (ctest starts it;
// it is missing only where PostgreSQL is not installed).
std::vector<std::string> formats() {
  if (serverRunning()) return {"shp", "gpkg", "pg"};
  static bool told = false;
  if (!told) std::cerr << "[ note ] no PostgreSQL test server at " << kServerDir << ": PostGIS layers not tested\n";
  told = true;
  return {"shp", "gpkg"};
}

// How many grouped statements the test server has run (it logs every one).
std::size_t groupedStatements() {
  std::ifstream log(fs::path(kServerDir) / "server.log");
  std::string line;
  std::size_t n = 0;
  while (std::getline(log, line)) n += line.find("WITH grouped AS") != std::string::npos;
  return n;
}

// Whether two labels show the same: each "|"-separated part alike, or both
// numbers equal to twelve significant digits. The server totals floating-
// point numbers in its own order (in parallel, without an exact sum), which
// may move the fifteenth digit.
bool showSame(const std::string& a, const std::string& b) {
  auto parts = [](const std::string& s) {
    std::vector<std::string> out(1);
    for (char c : s) {
      if (c == '|') out.emplace_back();
      else out.back().push_back(c);
    }
    return out;
  };
  const auto x = parts(a), y = parts(b);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i] == y[i]) continue;
    char *endX = nullptr, *endY = nullptr;
    const double u = std::strtod(x[i].c_str(), &endX), v = std::strtod(y[i].c_str(), &endY);
    if (x[i].empty() || y[i].empty() || *endX || *endY) return false;
    if (std::abs(u - v) > 1e-12 * std::max({1.0, std::abs(u), std::abs(v)})) return false;
  }
  return true;
}

struct Layer {
  fs::path data;
  std::string format;  // "shp", "gpkg" or "pg" (a copy of the GeoPackage on the server)
  std::string name;    // the OGR layer name
  int records = 0;
  std::vector<int> ids;  // object IDs
};

// The GeoPackage's layer as a table "parcels" of the test server, loaded as
// ogr2ogr loads one (names kept as they are, key "gid"), IDs kept.
void copyToServer(const Layer& layer) {
  GDALDatasetUniquePtr source(GDALDataset::Open(layer.data.c_str(), GDAL_OF_VECTOR));
  {
    GDALDatasetUniquePtr plain(GDALDataset::Open(kServer.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    ASSERT_TRUE(plain);
    plain->ExecuteSQL(("CREATE SCHEMA IF NOT EXISTS walk_" + std::to_string(::getpid())).c_str(), nullptr, nullptr);
  }
  GDALDatasetUniquePtr server(GDALDataset::Open(schemaConnection().c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
  ASSERT_TRUE(source && server);
  OGRLayer* from = source->GetLayerByName(layer.name.c_str());
  const char* options[] = {"LAUNDER=NO", "FID=gid", "GEOMETRY_NAME=geom", "OVERWRITE=YES", nullptr};
  OGRLayer* to = server->CreateLayer(layer.name.c_str(), from->GetSpatialRef(), wkbPoint, const_cast<char**>(options));
  ASSERT_NE(to, nullptr);
  OGRFeatureDefn* defn = from->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) ASSERT_EQ(to->CreateField(defn->GetFieldDefn(i)), OGRERR_NONE);
  ASSERT_EQ(to->StartTransaction(), OGRERR_NONE);
  for (auto& f : *from) {
    OGRFeature copy(to->GetLayerDefn());
    copy.SetFrom(f.get());
    copy.SetFID(f->GetFID());
    ASSERT_EQ(to->CreateFeature(&copy), OGRERR_NONE);
  }
  ASSERT_EQ(to->CommitTransaction(), OGRERR_NONE);
  // The class queries then meet records by value, not in the key's order.
  server->ExecuteSQL("CREATE INDEX ON parcels (\"REAL\")", nullptr, nullptr);
}

// A seeded layer of n records with a value of every kind (and nulls), and
// an owners table joined on KEY.
Layer generate(const fs::path& dir, const std::string& format, unsigned seed) {
  GDALAllRegister();
  std::mt19937 random(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  Layer out;
  out.format = format;
  out.name = "parcels";
  out.data = dir / (format == "shp" ? "parcels.shp" : "parcels.gpkg");
  if (format == "pg") {
    out = generate(dir, "gpkg", seed);
    out.format = format;
    copyToServer(out);
    return out;
  }
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format == "shp" ? "ESRI Shapefile" : "GPKG");
  GDALDatasetUniquePtr ds(driver->Create(out.data.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  const char* utf8[] = {"ENCODING=UTF-8", nullptr};
  OGRLayer* layer = ds->CreateLayer(out.name.c_str(), nullptr, wkbPoint, format == "shp" ? const_cast<char**>(utf8) : nullptr);
  OGRFieldDefn txt("TXT", OFTString), region("REGION", OFTString), integer("INT", OFTInteger), real("REAL", OFTReal),
      day("DAY", OFTDate), norm("NORM", OFTInteger), key("KEY", OFTInteger);
  txt.SetWidth(40);
  real.SetWidth(24);
  real.SetPrecision(16);
  for (auto* f : {&txt, &region, &integer, &real, &day, &norm, &key}) EXPECT_EQ(layer->CreateField(f), OGRERR_NONE);
  out.records = 90 + static_cast<int>(seed % 70);
  for (int i = 0; i < out.records; ++i) {
    OGRFeature f(layer->GetLayerDefn());
    auto sometimes = [&](int one_in) { return pick(static_cast<std::size_t>(one_in)) != 0; };
    if (sometimes(12)) f.SetField("TXT", kTexts[pick(kTexts.size())].c_str());
    if (sometimes(10)) f.SetField("REGION", kRegions[pick(kRegions.size())].c_str());
    if (sometimes(9)) f.SetField("INT", static_cast<int>(pick(16)) - 3);
    if (sometimes(8)) {
      // on a break, between breaks, below the first and above the last
      const double x = sometimes(2) ? kReals[pick(kReals.size())] : static_cast<double>(pick(20000)) / 100.0 - 30;
      f.SetField("REAL", x);
    }
    if (sometimes(7)) {
      const std::string& d = kDays[pick(kDays.size())];
      f.SetField("DAY", std::stoi(d.substr(0, 4)), std::stoi(d.substr(5, 2)), std::stoi(d.substr(8, 2)));
    }
    f.SetField("NORM", static_cast<int>(pick(4)));
    if (sometimes(10)) f.SetField("KEY", static_cast<int>(pick(7)) + 1);
    OGRPoint p(i % 20, i / 20);
    f.SetGeometry(&p);
    EXPECT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
    out.ids.push_back(static_cast<int>(f.GetFID()));
  }
  if (format == "gpkg") {
    // Attribute indexes: the class queries then meet records by value, not
    // in the layer's order; First, Last and every sum must not notice.
    for (const char* sql : {"CREATE INDEX parcels_real ON parcels (REAL)", "CREATE INDEX parcels_txt ON parcels (TXT)",
                            "CREATE INDEX parcels_region ON parcels (REGION, INT)"})
      ds->ExecuteSQL(sql, nullptr, nullptr);
  }
  std::ofstream owners(dir / "owners.csv");
  owners << "KEY,OTYPE,OVAL\n";
  for (int k = 1; k <= 6; ++k)  // key 7 has no owner
    owners << k << ",\"" << kOwnerTypes[pick(kOwnerTypes.size())] << "\"," << (k * 2.5 - 4) << "\n";
  std::ofstream(dir / "owners.csvt") << "Integer,String,Real\n";
  return out;
}

Json uniqueClasses(const std::vector<std::string>& values) {
  Json classes = Json::array();
  for (const auto& v : values) classes.push_back({{"values", {v}}, {"label", "[" + v + "]"}});
  return classes;
}

Json uniqueRenderer(const std::vector<std::string>& fields, const std::vector<std::string>& classValues, bool other) {
  Json r = {{"type", "unique_values"}, {"fields", fields}, {"classes", uniqueClasses(classValues)}};
  if (other) r["default"] = {{"label", "others"}};
  return r;
}

Json breaksRenderer(const std::string& field, const std::vector<double>& uppers, const std::string& norm = {},
                    std::optional<double> minBreak = {}) {
  Json breaks = Json::array();
  for (double u : uppers) breaks.push_back({{"upper", u}});
  Json r = {{"type", "class_breaks"}, {"field", field}, {"breaks", breaks}};
  if (!norm.empty()) r["normalization_field"] = norm;
  if (minBreak) r["min_break"] = *minBreak;
  return r;
}

// What a layer shows and which of its records the labeler reads.
struct Options {
  std::string definitionQuery;
  bool applyDefinitionQuery = true;
  std::vector<int> definitionSelection;
  std::vector<int> selection;
  bool applySelection = false;
  bool join = false;
};

fs::path writeDocument(const fs::path& dir, const Layer& layer, const Json& renderer, const Options& o) {
  Json source = {{"path", layer.data.string()}};
  if (layer.format == "pg") source = {{"connection", schemaConnection()}};
  if (layer.format != "shp") source["layer"] = layer.name;
  Json l = {{"name", "Layer"}, {"type", "feature"}, {"source", source}, {"renderer", renderer}};
  if (!o.definitionQuery.empty()) l["definition_query"] = o.definitionQuery;
  if (!o.definitionSelection.empty()) l["definition_selection"] = o.definitionSelection;
  if (!o.selection.empty()) l["selection"] = o.selection;
  if (o.join) l["join"] = {{"table", {{"path", (dir / "owners.csv").string()}}}, {"field", "KEY"}, {"join_field", "KEY"}};
  const fs::path doc = dir / "case.cwmap";
  std::ofstream(doc) << Json{{"format", "carrowind-map"}, {"version", 1}, {"layers", {l}}}.dump(2);
  return doc;
}

struct Outcome {
  bool made = false;
  std::u16string message;
  std::vector<Text> labels;
  bool skipped = false;
  std::pair<int, int> lastProgress{-1, -1};
};

Outcome makeLabels(const fs::path& doc, const Options& o, const std::string& expression, bool perClass) {
  auto document = mapdoc::MapDocument::open(doc);
  auto layer = document->layer(u"Layer");
  auto l = com::make<engine::QVXCarrowind>();
  l->fields().PerClassQueries = perClass;
  l->fields().ApplyDefinitionQuery = o.applyDefinitionQuery;
  l->fields().ApplySelectionSet = o.applySelection;
  Outcome out;
  auto previous = platform::progress::setHandler([&](int done, int total) { out.lastProgress = {done, total}; });
  out.made = l->MakeLabels(layer.get(), text::fromUtf8(expression));
  platform::progress::setHandler(std::move(previous));
  out.message = l->Message();
  auto labels = l->Labels();
  for (int i = 1; i <= labels->Count(); ++i) out.labels.push_back(labels->Item(i));
  out.skipped = l->fields().SkippedLegendItems;
  return out;
}

class OneWalk : public ::testing::Test {
 protected:
  void SetUp() override { dir = test_support::scratchDir("cw_one_walk_"); }
  void TearDown() override { fs::remove_all(dir); }

  // Both ways on every format and seed; each label the same, and the walk
  // really taken (its progress counts records, not classes).
  void expectSameLabels(const std::function<Json(const Layer&)>& renderer, const std::string& expression,
                        const std::function<Options(const Layer&, std::mt19937&)>& options = {}) {
    for (const std::string& format : formats()) {
      for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(format + " seed " + std::to_string(seed));
        fs::remove_all(dir);
        fs::create_directories(dir);
        const Layer layer = generate(dir, format, seed);
        std::mt19937 random(seed * 31);
        const Options o = options ? options(layer, random) : Options{};
        const Json r = renderer(layer);
        const fs::path doc = writeDocument(dir, layer, r, o);
        const Outcome reference = makeLabels(doc, o, expression, true);
        ASSERT_TRUE(reference.made) << text::toUtf8(reference.message);
        const std::size_t groupedBefore = format == "pg" ? groupedStatements() : 0;
        const Outcome walk = makeLabels(doc, o, expression, false);
        ASSERT_TRUE(walk.made) << text::toUtf8(walk.message);
        ASSERT_EQ(walk.labels.size(), reference.labels.size());
        for (std::size_t i = 0; i < walk.labels.size(); ++i) {
          const std::string got = text::toUtf8(walk.labels[i]), want = text::toUtf8(reference.labels[i]);
          if (format == "pg")
            EXPECT_TRUE(showSame(got, want)) << "class " << i << "\n  " << got << "\n  " << want;
          else
            EXPECT_EQ(got, want) << "class " << i;
        }
        EXPECT_EQ(walk.skipped, reference.skipped);
        EXPECT_EQ(walk.lastProgress.first, walk.lastProgress.second);
        if (format == "pg" && !o.join) {
          // Totalled by the server (a joined file table is walked instead).
          EXPECT_GT(groupedStatements(), groupedBefore) << "the server did not group the records";
          continue;
        }
        EXPECT_NE(walk.lastProgress.second, static_cast<int>(walk.labels.size())) << "the classes were asked one by one";
      }
    }
  }

  fs::path dir;
};

const std::string kTextExpression =
    "[TXT].First|[TXT].Last|[TXT].Count|[REAL].Sum|[REAL].Average|[REAL].StdDev|[REAL].Minimum|[REAL].Maximum|"
    "[REAL].Variance|[INT].First|[INT].Last|[INT].Sum|[DAY].First|[DAY].Last|$$VALUE|$$LABEL";

std::vector<std::string> withAbsent(std::vector<std::string> v, const std::string& absent) {
  v.push_back(absent);
  return v;
}

TEST_F(OneWalk, UniqueValuesOnTextWithTwinsQuotesAndBackslashes) {
  for (bool other : {false, true}) {
    SCOPED_TRACE(other ? "with all other values" : "values only");
    expectSameLabels([&](const Layer&) { return uniqueRenderer({"TXT"}, withAbsent(kTexts, "absent"), other); },
                     kTextExpression);
  }
}

TEST_F(OneWalk, UniqueValuesOnNumbersAndDays) {
  // "2.0" and "2" are one number: the first class has its records.
  expectSameLabels([](const Layer&) { return uniqueRenderer({"INT"}, {"-3", "0", "2.0", "2", "5", "7", "99"}, true); },
                   kTextExpression);
  expectSameLabels(
      [](const Layer&) { return uniqueRenderer({"REAL"}, {"0.5", "1.25", "3.1428920976928216", "12", "abc"}, true); },
      kTextExpression);
  expectSameLabels([](const Layer&) { return uniqueRenderer({"DAY"}, withAbsent(kDays, "1999-01-01"), true); },
                   kTextExpression);
}

TEST_F(OneWalk, UniqueValuesOnSeveralFields) {
  std::vector<std::string> pairs, triples;
  for (const auto& r : kRegions)
    for (int i = -3; i <= 12; i += 3) pairs.push_back(r + ", " + std::to_string(i));
  for (const auto& r : {"North", "south"})
    for (const auto& t : {"Park", "PARK", "a\\'b"})
      for (int i : {0, 3}) triples.push_back(std::string(r) + ", " + std::to_string(i) + ", " + t);
  expectSameLabels([&](const Layer&) { return uniqueRenderer({"REGION", "INT"}, pairs, true); }, kTextExpression);
  expectSameLabels([&](const Layer&) { return uniqueRenderer({"REGION", "INT", "TXT"}, triples, false); },
                   kTextExpression);
}

TEST_F(OneWalk, ClassBreaksOnBreaksBelowTheFirstAndNormalised) {
  const std::vector<double> uppers = {0, 0.5, 2, 3.1428920976928216, 12, 99.5};
  expectSameLabels([&](const Layer&) { return breaksRenderer("REAL", uppers); }, kTextExpression);
  expectSameLabels([&](const Layer&) { return breaksRenderer("REAL", uppers, "NORM", -1.0); }, kTextExpression);
  expectSameLabels([&](const Layer&) { return breaksRenderer("INT", {-1, 2, 5}); }, kTextExpression);
  expectSameLabels([&](const Layer&) { return breaksRenderer("INT", {400}); }, kTextExpression);
}

TEST_F(OneWalk, BivariateOverEitherMainRenderer) {
  const Json variation = breaksRenderer("INT", {0, 6, 12});
  expectSameLabels(
      [&](const Layer&) {
        return Json{{"type", "bivariate"}, {"main", uniqueRenderer({"REGION"}, kRegions, true)}, {"variation", variation}};
      },
      kTextExpression);
  expectSameLabels(
      [&](const Layer&) {
        return Json{{"type", "bivariate"}, {"main", breaksRenderer("REAL", {1.25, 7.75, 40.125})}, {"variation", variation}};
      },
      kTextExpression);
}

TEST_F(OneWalk, DefinitionQueriesSelectionsAndDefinitionSets) {
  const auto renderer = [](const Layer&) { return uniqueRenderer({"TXT"}, kTexts, true); };
  const auto someIds = [](const Layer& l, std::mt19937& random, int oneIn) {
    std::vector<int> ids;
    for (int id : l.ids)
      if (random() % static_cast<unsigned>(oneIn) == 0) ids.push_back(id);
    return ids;
  };
  expectSameLabels(renderer, kTextExpression, [](const Layer&, std::mt19937&) {
    Options o;
    o.definitionQuery = "\"REGION\" = 'south' OR \"INT\" > 4";
    return o;
  });
  expectSameLabels(renderer, kTextExpression, [](const Layer&, std::mt19937&) {
    Options o;
    o.definitionQuery = "\"REGION\" = 'south'";
    o.applyDefinitionQuery = false;
    return o;
  });
  expectSameLabels(renderer, kTextExpression, [&](const Layer& l, std::mt19937& random) {
    Options o;
    o.definitionSelection = someIds(l, random, 2);
    return o;
  });
  expectSameLabels(renderer, kTextExpression, [&](const Layer& l, std::mt19937& random) {
    Options o;
    o.selection = someIds(l, random, 3);
    o.applySelection = true;
    return o;
  });
  expectSameLabels(renderer, kTextExpression, [&](const Layer& l, std::mt19937& random) {
    Options o;
    o.definitionQuery = "\"INT\" <> 2";
    o.definitionSelection = someIds(l, random, 2);
    o.selection = someIds(l, random, 2);
    o.applySelection = true;
    return o;
  });
}

TEST_F(OneWalk, JoinedTables) {
  const std::string expression =
      "[parcels.TXT].First|[parcels.TXT].Last|[parcels.TXT].Count|[parcels.REAL].Sum|[owners.OVAL].Sum|"
      "[owners.OVAL].StdDev|[owners.OTYPE].First|$$VALUE|$$LABEL";
  const auto joined = [](const Layer&, std::mt19937&) {
    Options o;
    o.join = true;
    return o;
  };
  for (bool other : {false, true}) {
    expectSameLabels([&](const Layer&) { return uniqueRenderer({"owners.OTYPE"}, withAbsent(kOwnerTypes, "Estate"), other); },
                     expression, joined);
    expectSameLabels([&](const Layer&) { return uniqueRenderer({"parcels.TXT"}, kTexts, other); }, expression, joined);
    expectSameLabels([&](const Layer&) { return uniqueRenderer({"owners.OVAL"}, {"-1.5", "1", "3.5", "6.0", "26"}, other); },
                     expression, joined);
  }
  expectSameLabels([](const Layer&) { return breaksRenderer("owners.OVAL", {0, 3.5, 11}); }, expression, joined);
  expectSameLabels([](const Layer&) { return breaksRenderer("owners.OVAL", {0, 3.5, 11}); }, expression,
                   [](const Layer&, std::mt19937&) {
                     Options o;
                     o.definitionQuery = "owners.OTYPE <> 'CITY'";
                     o.join = true;
                     return o;
                   });
}

// The classes the map draws records in are the classes the labeler
// summarises them in, for every record of the generated layers.
TEST_F(OneWalk, DrawingAndLabelingClassifyEveryRecordAlike) {
  const std::vector<Json> renderers = {
      uniqueRenderer({"TXT"}, kTexts, true), uniqueRenderer({"INT"}, {"-3", "0", "2.0", "2", "5"}, false),
      uniqueRenderer({"DAY"}, kDays, true), uniqueRenderer({"REGION", "INT"}, {"North, 3", "south, 0", "East, -3"}, true),
      breaksRenderer("REAL", {-2.5, 0.5, 3.1428920976928216, 99.5}, "", -1e9)};
  for (const std::string format : {"shp", "gpkg"}) {
    for (const auto& r : renderers) {
      SCOPED_TRACE(format + " " + r.dump());
      fs::remove_all(dir);
      fs::create_directories(dir);
      const Layer layer = generate(dir, format, 7);
      auto document = mapdoc::MapDocument::open(writeDocument(dir, layer, r, {}));
      auto geo = document->layer(u"Layer").as<host::IGeoFeatureLayer>();
      auto renderer = geo->Renderer();
      auto table = geo.as<host::IFeatureLayer>()->FeatureClass().as<host::ITable>();
      // Drawing: the renderer's classifier; labeling: what the engine uses
      // (for class breaks its own rule), checked against each class clause.
      auto drawing = renderer.as<host::IRendererClassifier>()->Classifier(table.get());
      engine::RecordSource source;
      source.table = table;
      source.tableClass = table.as<host::IClass>();
      auto breaks = renderer.as<host::IClassBreaksRenderer>();
      auto labeling = breaks ? engine::breakClasses(*breaks, source) : engine::rendererClasses(renderer, source);
      ASSERT_TRUE(labeling);
      auto classes = renderer.as<host::IRendererClasses>();
      std::map<std::int32_t, int> byClause;
      for (int c = 0; c < classes->ClassCount(); ++c) {
        auto filter = engine::newQueryFilter(classes->WhereClause(c, table.get()));
        auto cursor = table->Search(filter.get(), false);
        while (auto row = cursor->NextRow()) EXPECT_TRUE(byClause.emplace(row->OID(), c).second) << "in two classes";
      }
      int classified = 0;
      auto cursor = table->Search(nullptr, false);
      while (auto row = cursor->NextRow()) {
        std::vector<int> in;
        labeling->classify(*row, in);
        const int drawn = drawing->ClassOf(row.get());
        EXPECT_EQ(in.empty() ? -1 : in.front(), drawn) << "record " << row->OID();
        EXPECT_LE(in.size(), 1u);
        auto clause = byClause.find(row->OID());
        EXPECT_EQ(clause == byClause.end() ? -1 : clause->second, drawn) << "record " << row->OID();
        classified += drawn >= 0;
      }
      EXPECT_GT(classified, 0);
    }
  }
}

}  // namespace
