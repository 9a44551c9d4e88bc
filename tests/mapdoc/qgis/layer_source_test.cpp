// QGIS data source texts as the sources OGR opens.
#include <gtest/gtest.h>

#include "mapdoc/qgis/layer_source.h"

namespace mapdoc::qgis {
namespace {

TEST(LayerSource, OgrSourcesNameTheFileTheLayerAndTheSubset) {
  auto s = layerSource("ogr", "./data/landuse.gpkg|layername=landuse|geometrytype=Polygon|subset=\"A\" || 'x' = 'b|c'");
  EXPECT_EQ(s.source.path, "./data/landuse.gpkg");
  EXPECT_EQ(s.source.layer, "landuse");
  EXPECT_EQ(s.subset, "\"A\" || 'x' = 'b|c'");
  EXPECT_TRUE(s.problem.empty());
  EXPECT_TRUE(s.relativePath);

  s = layerSource("ogr", "/abs/landuse.shp|layerid=0");
  EXPECT_EQ(s.source.path, "/abs/landuse.shp");
  EXPECT_TRUE(s.source.layer.empty() && s.problem.empty() && !s.relativePath);
  EXPECT_FALSE(layerSource("ogr", "").problem.empty());

  // how the file opens stays with the path; the subset is read apart
  s = layerSource("ogr", "pts.csv|option:AUTODETECT_TYPE=YES|layerid=2|option:X_POSSIBLE_NAMES=x|subset=SELECT * FROM pts");
  EXPECT_EQ(s.source.path, "pts.csv|option:AUTODETECT_TYPE=YES|layerid=2|option:X_POSSIBLE_NAMES=x");
  EXPECT_EQ(s.subset, "SELECT * FROM pts");
  EXPECT_TRUE(s.problem.empty() && s.relativePath);
  EXPECT_EQ(splitSourcePath(s.source.path).first, "pts.csv");
}

TEST(LayerSource, PostgresSourcesBecomeConnectionsWithTheTableAndSql) {
  auto s = layerSource("postgres",
                       "dbname='gis db' host=localhost port=5432 user='ann' password='it\\'s' sslmode=disable "
                       "key='id' srid=26915 type=MultiPolygon checkPrimaryKeyUnicity='1' "
                       "table=\"public\".\"parcels\" (geom) sql=\"USE\" = 'Park'");
  EXPECT_EQ(s.source.connection, "PG:dbname='gis db' host='localhost' port='5432' user='ann' password='it\\'s' sslmode='disable'");
  EXPECT_EQ(s.source.layer, "public.parcels");
  EXPECT_EQ(s.subset, "\"USE\" = 'Park'");
  EXPECT_TRUE(s.problem.empty());
  EXPECT_FALSE(s.relativePath);
  EXPECT_FALSE(layerSource("postgres", "dbname='gis'").problem.empty());

  s = layerSource("delimitedtext", "file:///tmp/a.csv?delimiter=,");
  EXPECT_NE(s.problem.find("\"delimitedtext\""), std::string::npos) << s.problem;
}

}  // namespace
}  // namespace mapdoc::qgis
