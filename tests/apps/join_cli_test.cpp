// Joined layers as a user meets them on the command line: a CSV read without
// its .csvt (every key text) joined to integer keys, a join whose keys never
// meet, a QGIS project's join, and a renderer field the joined table names
// otherwise; each told in the same words by every command.
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_api.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_run.h"
#include "tests/common/file_bytes.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using test_support::readFile;

// Six parcels: ID 1..6, USE Park (1, 2), Shop (3, 4), Farm (5, 6).
void writeParcels(const fs::path& file) {
  GDALAllRegister();
  GDALDatasetH ds = GDALCreate(GDALGetDriverByName("ESRI Shapefile"), file.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRLayerH layer = GDALDatasetCreateLayer(ds, "parcels", nullptr, wkbPoint, nullptr);
  for (auto [name, type] : {std::pair{"ID", OFTInteger}, {"USE", OFTString}, {"ACRES", OFTReal}}) {
    OGRFieldDefnH field = OGR_Fld_Create(name, type);
    OGR_L_CreateField(layer, field, TRUE);
    OGR_Fld_Destroy(field);
  }
  const char* uses[] = {"Park", "Park", "Shop", "Shop", "Farm", "Farm"};
  for (int i = 0; i < 6; ++i) {
    OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
    OGR_F_SetFieldInteger(f, 0, i + 1);
    OGR_F_SetFieldString(f, 1, uses[i]);
    OGR_F_SetFieldDouble(f, 2, 1.5 * (i + 1));
    OGRGeometryH point = OGR_G_CreateGeometry(wkbPoint);
    OGR_G_SetPoint_2D(point, 0, i, i);
    OGR_F_SetGeometryDirectly(f, point);
    EXPECT_EQ(OGR_L_CreateFeature(layer, f), OGRERR_NONE);
    OGR_F_Destroy(f);
  }
  GDALClose(ds);
}

json uniqueValues(const std::string& field) {
  json classes = json::array();
  for (const char* use : {"Farm", "Park", "Shop"}) classes.push_back({{"values", {use}}, {"label", use}});
  return {{"type", "unique_values"}, {"fields", {field}}, {"classes", classes}};
}

class JoinCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_join_cli_");
    writeParcels(dir / "parcels.shp");
    // no .csvt: OGR reads every key as text, written as people write numbers
    std::ofstream(dir / "owners.csv") << "OWNER_ID,ONAME\n01,Ann\n2.0,Bo\n\" 3\",Cy\n5,Di\n";
    std::ofstream(dir / "letters.csv") << "OWNER_ID,ONAME\na,Xa\nb,Xb\n";
    ::setenv("CARROWIND_REGISTRY", (dir / "registry.db").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CARROWIND_REGISTRY");
    fs::remove_all(dir);
  }
  // A document with the parcels joined to table on ID, drawn by renderer.
  fs::path document(const std::string& table, const json& renderer = uniqueValues("parcels.USE")) const {
    const json doc = {{"format", "carrowind-map"},
                      {"version", 1},
                      {"layers",
                       {{{"name", "Parcels"},
                         {"source", {{"path", "parcels.shp"}}},
                         {"join", {{"table", {{"path", table}}}, {"field", "ID"}, {"join_field", "OWNER_ID"}}},
                         {"renderer", renderer}}}}};
    const fs::path file = dir / ("doc-" + std::to_string(++made_) + ".cwmap");
    std::ofstream(file) << doc.dump(2);
    return file;
  }
  static std::string layerOf(const fs::path& file) { return "'" + file.string() + "' --layer Parcels"; }
  fs::path dir;
  mutable int made_ = 0;
};

TEST_F(JoinCli, TextKeysThatReadAsTheNumberJoinAndAPartialJoinIsTold) {
  const std::string doc = layerOf(document("owners.csv"));
  const json expectedJoin = {{"table", "owners.csv"},          {"records", 6},
                             {"matched", 4},                   {"layer_key", "parcels.ID"},
                             {"layer_key_type", "integer"},    {"join_key", "owners.OWNER_ID"},
                             {"join_key_type", "text"}};
  const std::string notice = "the join of owners.csv matched 4 of 6 records of \"parcels\"\n";

  Result r = carrowind("apply " + doc + " --expr '[owners.ONAME].First' --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  json out = json::parse(r.out);
  // "01", "2.0" and " 3" are 1, 2 and 3; 4 and 6 have no owner; First is the lowest ID's
  EXPECT_EQ(out["labels"], json({"Di", "Ann", "Cy"}));
  EXPECT_EQ(out["joins"], json::array({expectedJoin}));
  EXPECT_NE(r.err.find(notice), std::string::npos) << r.err;

  r = carrowind("apply " + doc + " --expr '[owners.ONAME].Count' --dry-run");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find(notice), std::string::npos) << r.err;

  r = carrowind("verify " + doc + " --expr '[owners.ONAME].First' --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  out = json::parse(r.out);
  EXPECT_TRUE(out["ok"]);
  EXPECT_EQ(out["joins"], json::array({expectedJoin}));
  r = carrowind("verify " + doc + " --expr '[owners.ONAME].First'");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("SAMPLE LABEL: Ann"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(notice), std::string::npos) << r.err;
}

TEST_F(JoinCli, AJoinThatMatchesNoRecordIsRefusedAndNothingIsWritten) {
  const fs::path file = document("letters.csv");
  const std::string doc = layerOf(file);
  const std::string before = readFile(file);
  const std::string why =
      "the join of letters.csv matched none of the 6 records of \"parcels\": parcels.ID (integer) and "
      "letters.OWNER_ID (text) hold no value in common";

  Result r = carrowind("apply " + doc + " --expr '[letters.ONAME].First'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
  EXPECT_EQ(readFile(file), before);

  r = carrowind("apply " + doc + " --expr '[parcels.USE].First' --json");  // refused whatever the expression reads
  EXPECT_EQ(r.exitCode, 1);
  json out = json::parse(r.out);
  EXPECT_FALSE(out["ok"]);
  EXPECT_EQ(out["message"], why);
  EXPECT_EQ(out["joins"][0]["matched"], 0);
  EXPECT_EQ(out["joins"][0]["records"], 6);
  EXPECT_EQ(readFile(file), before);

  r = carrowind("verify " + doc + " --expr '[letters.ONAME].First'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, why + "\n");
  r = carrowind("verify " + doc + " --expr '[letters.ONAME].First' --json");
  EXPECT_EQ(r.exitCode, 1);
  out = json::parse(r.out);
  EXPECT_FALSE(out["ok"]);
  EXPECT_EQ(out["message"], why);
  EXPECT_FALSE(out.contains("sample_label"));
}

// QGIS's own rule decides what its joins match (the sample project's: 161 of
// its 168 parcels have an owner, as QGIS 3.22 joins them).
TEST_F(JoinCli, AQgisProjectsJoinIsToldTheSameWay) {
  fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "parcels.qgs", dir);
  fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "data", fs::copy_options::recursive);
  const std::string project = "'" + (dir / "parcels.qgs").string() + "' --layer Parcels";
  Result r = carrowind("apply " + project + " --expr '[owners_ONAME].First' --dry-run --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["joins"][0]["matched"], 161);
  EXPECT_NE(r.err.find("the join of owners.csv matched 161 of 168 records of \"landuse\"\n"), std::string::npos)
      << r.err;

  // joined on the owners' names instead of their IDs
  std::string text = readFile(dir / "parcels.qgs");
  const std::string key = R"(joinFieldName="OWNER_ID")";
  ASSERT_NE(text.find(key), std::string::npos);
  text.replace(text.find(key), key.size(), R"(joinFieldName="ONAME")");
  std::ofstream(dir / "parcels.qgs", std::ios::trunc) << text;
  r = carrowind("apply " + project + " --expr '[owners_OTYPE].First'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("the join of owners.csv matched none of the 168 records of \"landuse\": landuse.OWNER_ID "
                       "(integer) and owners.ONAME (text) hold no value in common"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(readFile(dir / "parcels.qgs"), text);
  EXPECT_EQ(carrowind("verify " + project + " --expr '[owners_OTYPE].First'").exitCode, 1);
}

// A joined table names the layer's fields "table.field": a renderer on
// "USE", or on the name of a table the layer no longer reads, names none.
TEST_F(JoinCli, ARendererFieldTheJoinedTableLacksIsNamedByEveryCommand) {
  const json breaks = {{"type", "class_breaks"},
                       {"field", "lots.ACRES"},
                       {"breaks", {{{"upper", 4}, {"label", "small"}}, {{"upper", 10}, {"label", "large"}}}}};
  for (const auto& [renderer, field] : {std::pair{uniqueValues("USE"), "USE"}, {breaks, "lots.ACRES"}}) {
    const fs::path path = document("owners.csv", renderer);
    const std::string doc = layerOf(path), file = "'" + path.string() + "'";
    const std::string words = "the renderer's field \"" + std::string(field) + "\" is not in the table";
    SCOPED_TRACE(words);

    Result r = carrowind("apply " + doc + " --expr '[owners.ONAME].First' --dry-run");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Error Generating Labels! " + words + "\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("field index"), std::string::npos) << r.err;

    r = carrowind("verify " + doc + " --expr '[owners.ONAME].First'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, words + "\n");
    r = carrowind("verify " + doc + " --expr '[owners.ONAME].First' --json");
    EXPECT_EQ(json::parse(r.out)["message"], words);

    r = carrowind("legend " + file);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Parcels: "), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "carrowind legend: layer \"Parcels\": " + words + "\n");

    r = carrowind("export-layout " + file + " '" + (dir / "page.png").string() + "'");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("layer \"Parcels\": " + words + "\n"), std::string::npos) << r.err;
  }
  // on the layer's own table too
  const json own = {{"format", "carrowind-map"},
                    {"version", 1},
                    {"layers",
                     {{{"name", "Parcels"}, {"source", {{"path", "parcels.shp"}}}, {"renderer", uniqueValues("LAND_USE")}}}}};
  std::ofstream(dir / "own.cwmap") << own.dump();
  const Result r = carrowind("verify '" + (dir / "own.cwmap").string() + "' --layer Parcels --expr '[USE].First'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "the renderer's field \"LAND_USE\" is not in the table\n");
}

}  // namespace
