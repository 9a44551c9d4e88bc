// Which records each layer draws and in which class's symbol, checked
// against the sample data read straight from the files.
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include <unistd.h>

#include "apps/carrowind-map/render/feature_drawing.h"
#include "apps/carrowind-map/render/map_extent.h"
#include "mapdoc/document.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace carrowind::render;

using test_support::kExamples;

// Every record of the land-use shapefile: FID -> field value.
template <class T>
std::map<GIntBig, T> landuseField(const char* field) {
  GDALAllRegister();
  GDALDatasetUniquePtr data(GDALDataset::Open((kExamples / "data/landuse.shp").c_str(), GDAL_OF_VECTOR));
  EXPECT_TRUE(data);
  std::map<GIntBig, T> out;
  for (auto& f : *data->GetLayer(0)) {
    if constexpr (std::is_same_v<T, double>) out[f->GetFID()] = f->GetFieldAsDouble(field);
    else out[f->GetFID()] = f->GetFieldAsString(field);
  }
  return out;
}

std::map<std::u16string, int> countByLabel(const FeatureShapes& shapes) {
  std::map<std::u16string, int> out;
  for (const auto& s : shapes.shapes) ++out[shapes.classes.at(static_cast<std::size_t>(s.classIndex)).label];
  return out;
}

TEST(FeatureDrawing, UniqueValuesDrawEachRecordInItsValueClassAndTheRestInTheDefault) {
  auto document = mapdoc::MapDocument::open(kExamples / "landuse.cwmap");
  const auto shapes = readFeatureShapes(document->layer(u"Land use").get());
  const auto use = landuseField<std::string>("USE");
  ASSERT_EQ(shapes.shapes.size(), use.size());
  std::map<std::string, int> byUse;
  for (const auto& [fid, value] : use) ++byUse[value];
  const auto counts = countByLabel(shapes);
  EXPECT_EQ(counts.at(u"Park"), byUse["Park"]);
  EXPECT_EQ(counts.at(u"Agricultural"), byUse["Agricultural"]);
  EXPECT_EQ(counts.at(u"Crèche"), byUse["Crèche"]);
  const std::set<std::string> named{"Agricultural", "Commercial", "Crèche", "Industrial", "Institutional",
                                    "Park", "Residential", "Vacant", "Women's Center"};
  int others = 0;
  for (const auto& [value, n] : byUse) others += named.count(value) ? 0 : n;
  EXPECT_EQ(counts.count(u"<all other values>") ? counts.at(u"<all other values>") : 0, others);
  // The class symbol is the renderer's: the default class is grey.
  EXPECT_EQ(shapes.classes.back().symbol.fill, (host::Color{0xD0, 0xD0, 0xD0, 255}));
  EXPECT_EQ(shapes.kind, ShapeKind::Polygon);
}

TEST(FeatureDrawing, ClassBreaksDrawEachRecordInTheBreakThatHoldsIt) {
  auto document = mapdoc::MapDocument::open(kExamples / "landuse.cwmap");
  const auto shapes = readFeatureShapes(document->layer(u"Parcel size").get());
  const auto acres = landuseField<double>("ACRES");
  const std::vector<double> upper{2.5, 4, 6, 8.5};
  std::vector<int> expected(upper.size(), 0);
  for (const auto& [fid, a] : acres) {
    if (a < 1.2) continue;
    for (std::size_t i = 0; i < upper.size(); ++i)
      if (a <= upper[i]) {
        ++expected[i];
        break;
      }
  }
  std::vector<int> drawn(upper.size(), 0);
  for (const auto& s : shapes.shapes) ++drawn.at(static_cast<std::size_t>(s.classIndex));
  EXPECT_EQ(drawn, expected);
}

TEST(FeatureDrawing, DefinitionQueryAndDefinitionSelectionLimitWhatIsDrawn) {
  auto query = mapdoc::MapDocument::open(kExamples / "definition_query.cwmap");
  const auto district = landuseField<std::string>("DISTRICT");
  std::size_t north = 0;
  for (const auto& [fid, d] : district) north += d == "North";
  ASSERT_GT(north, 0u);
  ASSERT_LT(north, district.size());
  EXPECT_EQ(readFeatureShapes(query->layers().front().get()).shapes.size(), north);

  auto selection = mapdoc::MapDocument::open(kExamples / "definition_selection.cwmap");
  auto layer = selection->layers().front();
  auto set = com::query<host::IFeatureLayerDefinition>(layer.get())->DefinitionSelectionSet();
  ASSERT_TRUE(set);
  EXPECT_EQ(readFeatureShapes(layer.get()).shapes.size(), static_cast<std::size_t>(set->Count()));
}

TEST(FeatureDrawing, JoinedLayersTakeTheirShapesFromTheirOwnTable) {
  auto document = mapdoc::MapDocument::open(kExamples / "landuse.cwmap");
  const auto shapes = readFeatureShapes(document->layer(u"Owners").get());
  // The default class keeps every record that matched no owner type.
  EXPECT_EQ(shapes.shapes.size(), landuseField<std::string>("USE").size());
  EXPECT_GT(countByLabel(shapes).size(), 2u);
}

TEST(FeatureDrawing, KindsWithoutClassesDrawEveryRecordInTheNeutralSymbol) {
  auto document = mapdoc::MapDocument::open(kExamples / "unsupported.cwmap");
  const auto shapes = readFeatureShapes(document->layers().front().get());
  EXPECT_EQ(shapes.shapes.size(), landuseField<std::string>("USE").size());
  ASSERT_EQ(shapes.classes.size(), 1u);
  EXPECT_EQ(shapes.classes.front().symbol, neutralSymbol());
}

TEST(FeatureDrawing, ExtentIsTheDataExtentAndFitsTheFrameKeepingProportions) {
  auto document = mapdoc::MapDocument::open(kExamples / "landuse.cwmap");
  const auto extent = readFeatureShapes(document->layer(u"Land use").get()).extent();
  // ogrinfo: (482000, 4978000) - (483910, 4979280)
  EXPECT_DOUBLE_EQ(extent.xmin, 482000);
  EXPECT_DOUBLE_EQ(extent.ymin, 4978000);
  EXPECT_DOUBLE_EQ(extent.xmax, 483910);
  EXPECT_DOUBLE_EQ(extent.ymax, 4979280);

  const QRectF frame(36, 36, 540, 720);
  const QTransform t = mapToFrame(extent, frame);
  const QPointF topLeft = t.map(QPointF(extent.xmin, extent.ymax));
  const QPointF bottomRight = t.map(QPointF(extent.xmax, extent.ymin));
  EXPECT_NEAR(topLeft.x(), frame.left(), 1e-6);  // wider than tall: fills the width
  EXPECT_NEAR(bottomRight.x(), frame.right(), 1e-6);
  EXPECT_NEAR((topLeft.y() + bottomRight.y()) / 2, frame.center().y(), 1e-6);
  EXPECT_NEAR((bottomRight.y() - topLeft.y()) / (bottomRight.x() - topLeft.x()), 1280.0 / 1910.0, 1e-9);

  MapExtent point;
  point.add(5, 5, 5, 5);
  EXPECT_TRUE(mapToFrame(point, frame).map(QPointF(5, 5)) == frame.center());
}

}  // namespace

namespace {

TEST(FeatureDrawing, MultiAttributeVariationShadesPolygonsAndGrowsMarkers) {
  auto document = mapdoc::MapDocument::open(kExamples / "bivariate_unique.cwmap");
  const auto shapes = readFeatureShapes(document->layers().front().get());
  const auto acres = landuseField<double>("ACRES");
  // The variation: ACRES from 1.2 to 4 "small", to 8.5 "large".
  std::size_t small = 0, large = 0;
  for (const auto& [fid, a] : acres) small += a >= 1.2 && a <= 4, large += a > 4 && a <= 8.5;
  std::size_t drawnSmall = 0, drawnLarge = 0;
  for (const auto& s : shapes.shapes) drawnSmall += s.variation == 0, drawnLarge += s.variation == 1;
  EXPECT_EQ(drawnSmall, small);
  EXPECT_EQ(drawnLarge, large);

  host::Symbol symbol;
  symbol.fill = {200, 100, 50, 255};
  EXPECT_EQ(variedSymbol(symbol, -1, ShapeKind::Polygon), symbol);
  EXPECT_EQ(variedSymbol(symbol, 0, ShapeKind::Polygon), symbol);
  const auto dark = variedSymbol(symbol, 1, ShapeKind::Polygon);
  EXPECT_LT(dark.fill.r, symbol.fill.r);
  EXPECT_LT(dark.fill.g, symbol.fill.g);
  EXPECT_EQ(dark.fill.a, 255);
  EXPECT_DOUBLE_EQ(variedSymbol(symbol, 1, ShapeKind::Point).markerSize, 2 * symbol.markerSize);
  EXPECT_DOUBLE_EQ(variedSymbol(symbol, 0.5, ShapeKind::Line).lineWidth, 1.5 * symbol.lineWidth);
}

// carrowind-map draws a PostGIS layer (the sample layer loaded on the test
// server with ogr2ogr, keys from 1) as it draws the same layer's file.
TEST(FeatureDrawing, APostgisLayerIsDrawnAsItsFileIs) {
  const fs::path server = CW_PG_DIR;
  if (!fs::exists(server / ".s.PGSQL.54329"))
    GTEST_SKIP() << "no PostgreSQL test server at " << server << " (scripts/install-deps installs PostgreSQL)";
  const fs::path dir = fs::temp_directory_path() / ("cw_pg_drawing_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const auto sample = nlohmann::json::parse(std::ifstream(kExamples / "landuse.cwmap"));
  auto shapesFrom = [&](const nlohmann::json& source) {
    auto layer = sample["layers"][0];
    layer["source"] = source;
    const fs::path doc = dir / "layer.cwmap";
    std::ofstream(doc) << nlohmann::json{{"format", "carrowind-map"}, {"version", 1}, {"layers", {layer}}}.dump();
    return readFeatureShapes(mapdoc::MapDocument::open(doc)->layer(u"Land use").get());
  };
  const auto fromFile = shapesFrom({{"path", (kExamples / "data/landuse.shp").string()}});
  const auto fromServer = shapesFrom(
      {{"connection", "PG:host=" + server.string() + " port=54329 dbname=carrowind_test user=postgres"}, {"layer", "landuse"}});
  fs::remove_all(dir);

  EXPECT_EQ(fromServer.kind, fromFile.kind);
  ASSERT_EQ(fromServer.classes.size(), fromFile.classes.size());
  for (std::size_t i = 0; i < fromFile.classes.size(); ++i) EXPECT_EQ(fromServer.classes[i].label, fromFile.classes[i].label);
  ASSERT_EQ(fromServer.shapes.size(), fromFile.shapes.size());
  std::map<std::int32_t, const ClassedShape*> byId;
  for (const auto& s : fromServer.shapes) byId[s.oid] = &s;
  for (const auto& f : fromFile.shapes) {
    const ClassedShape* s = byId.at(f.oid + 1);
    EXPECT_EQ(s->classIndex, f.classIndex) << f.oid;
    OGREnvelope a, b;
    s->geometry->getEnvelope(&a);
    f.geometry->getEnvelope(&b);
    EXPECT_TRUE(a.MinX == b.MinX && a.MinY == b.MinY && a.MaxX == b.MaxX && a.MaxY == b.MaxY) << f.oid;
  }
  const auto extent = fromServer.extent(), fileExtent = fromFile.extent();
  EXPECT_EQ(extent.xmin, fileExtent.xmin);
  EXPECT_EQ(extent.ymax, fileExtent.ymax);
}

}  // namespace
