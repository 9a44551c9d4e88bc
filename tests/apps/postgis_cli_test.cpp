// PostGIS layers on a real server (scripts/pg-test-server, started by ctest):
// the sample land-use layer loaded there as ogr2ogr loads a Shapefile, column
// names in upper case, labelled as the same layer read from its file is.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_run.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kServerDir = CW_PG_DIR;

std::string connection(const std::string& port = "54329") {
  return "PG:host=" + kServerDir + " port=" + port + " dbname=carrowind_test user=postgres";
}

class PostgisCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(fs::path(kServerDir) / ".s.PGSQL.54329"))
      GTEST_SKIP() << "no PostgreSQL test server at " << kServerDir
                   << " (PostgreSQL or PostGIS is not installed; scripts/install-deps installs them)";
    dir = test_support::scratchDir("cw_postgis_");
    ::setenv("CARROWIND_REGISTRY", (dir / "registry.db").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CARROWIND_REGISTRY");
    if (!dir.empty()) fs::remove_all(dir);
  }
  std::string path(const std::string& name) const { return "'" + (dir / name).string() + "'"; }
  // new-map on the server's layer and on the sample file, with the same renderer.
  void makeBoth(const std::string& renderer) {
    auto run = carrowind("new-map " + path("pg.cwmap") + " --data '" + connection() + "' --layer landuse --force " + renderer);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = carrowind("new-map " + path("file.cwmap") + " --data '" + std::string(CW_SOURCE_DIR) +
                    "/examples/data/landuse.shp' --layer landuse --force " + renderer);
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  json labels(const std::string& document, const std::string& expression, const std::string& more = "") {
    const auto run = carrowind("apply " + path(document) + " --layer landuse --expr '" + expression + "' --json" + more);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.exitCode == 0 ? json::parse(run.out)["labels"] : json();
  }
  fs::path dir;
};

TEST_F(PostgisCli, AServerLayerIsLabelledAsTheSameLayerFromItsFile) {
  makeBoth("--unique-values USE");
  const std::string expression = "[USE].First - [DESCRIPT].Last ([ACRES].Sum.Round(1) ac., [FLOORS].Maximum, [SURVEYED].First, [OWNER_ID].StdDev.Round(3))";
  const json fromFile = labels("file.cwmap", expression);
  ASSERT_EQ(fromFile.size(), 10u);
  EXPECT_EQ(labels("pg.cwmap", expression), fromFile);

  makeBoth("--class-breaks ACRES --classes 5");
  EXPECT_EQ(labels("pg.cwmap", "[ACRES].Count [ACRES].Average.Round(2)"),
            labels("file.cwmap", "[ACRES].Count [ACRES].Average.Round(2)"));
}

// The reading commands print of the server's layer what they print of its
// file (values in the key's order, which ogr2ogr gave the file's order).
TEST_F(PostgisCli, EveryReadingCommandPrintsTheServersLayerAsItsFile) {
  makeBoth("--unique-values USE");
  for (const std::string command : {"fields", "legend", "values --field DISTRICT", "values --field ACRES",
                                    "verify --detail --expr '[USE].First ([ACRES].Sum.Round(2) ac.)'"}) {
    SCOPED_TRACE(command);
    const auto server = carrowind(command + " " + path("pg.cwmap") + " --layer landuse");
    const auto file = carrowind(command + " " + path("file.cwmap") + " --layer landuse");
    EXPECT_EQ(server.exitCode, 0) << server.err;
    EXPECT_EQ(server.exitCode, file.exitCode);
    if (command == "fields") {
      // The key and the geometry are the server's columns; the rest alike.
      EXPECT_EQ(server.out.substr(0, server.out.find("\nUSE")).substr(0, 3), "gid");
      EXPECT_EQ(server.out.substr(server.out.find("\nUSE")), file.out.substr(file.out.find("\nUSE")));
      continue;
    }
    EXPECT_EQ(server.out, file.out);
    EXPECT_FALSE(server.out.empty());
  }
}

// A view has no key to take First and Last by, so its records are read
// and totalled here: the same totals as the file's with the view's clause.
TEST_F(PostgisCli, AViewWithoutAKeyIsTotalledFromItsRows) {
  auto run = carrowind("new-map " + path("view.cwmap") + " --data '" + connection() +
                       "' --layer landuse_north --unique-values USE");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  makeBoth("--unique-values USE");
  json doc = json::parse(std::ifstream(dir / "file.cwmap"));
  doc["layers"][0]["definition_query"] = "\"DISTRICT\" = 'North'";
  std::ofstream(dir / "file.cwmap") << doc.dump(2);
  const std::string expression = "[ACRES].Sum.Round(2) in [USE].Count, [FLOORS].Maximum";
  const auto run2 = carrowind("apply " + path("view.cwmap") + " --layer landuse_north --json --expr '" + expression + "'");
  ASSERT_EQ(run2.exitCode, 0) << run2.err;
  const json fromView = json::parse(run2.out)["labels"];
  const json fromFile = labels("file.cwmap", expression);
  // The view holds only the north's uses: each of its classes as the file's.
  ASSERT_FALSE(fromView.empty());
  for (const auto& label : fromView)
    EXPECT_NE(std::find(fromFile.begin(), fromFile.end(), label), fromFile.end()) << label;
}

TEST_F(PostgisCli, ADefinitionQueryIsTheServersSqlAndItsErrorIsTheServers) {
  makeBoth("--unique-values USE");
  for (const char* name : {"pg.cwmap", "file.cwmap"}) {
    json doc = json::parse(std::ifstream(dir / name));
    doc["layers"][0]["definition_query"] = "\"DISTRICT\" = 'North'";
    std::ofstream(dir / name) << doc.dump(2);
  }
  EXPECT_EQ(labels("pg.cwmap", "[ACRES].Sum.Round(2)"), labels("file.cwmap", "[ACRES].Sum.Round(2)"));

  // Unquoted, PostgreSQL folds the name to lower case: the server says so,
  // in one line, rather than a later complaint about a lost cursor.
  json doc = json::parse(std::ifstream(dir / "pg.cwmap"));
  doc["layers"][0]["definition_query"] = "DISTRICT = 'North'";
  std::ofstream(dir / "pg.cwmap") << doc.dump(2);
  const auto run = carrowind("apply " + path("pg.cwmap") + " --layer landuse --expr '[ACRES].Sum'");
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.find("column \"district\" does not exist"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("cursor"), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The sample project's north layer, read from the server through QGIS's
// postgres provider instead of from the GeoPackage: the same labels, written
// into the project, and reset gives the project back byte for byte.
TEST_F(PostgisCli, AQgisProjectsPostgresLayerIsRelabelledAndReset) {
  fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "data", fs::copy_options::recursive);
  std::string project = readText(fs::path(CW_SOURCE_DIR) / "examples" / "parcels.qgs");
  std::ofstream(dir / "file.qgs", std::ios::binary) << project;
  const std::string gpkg = "<datasource>./data/landuse.gpkg|layername=landuse|subset=\"DISTRICT\" = 'North'</datasource>";
  const std::string postgres = "<datasource>dbname='carrowind_test' host=" + kServerDir +
                               " port=54329 user='postgres' key='gid' srid=4326 type=MultiPolygon "
                               "table=&quot;public&quot;.&quot;landuse&quot; (geom) "
                               "sql=&quot;DISTRICT&quot; = 'North'</datasource>";
  const auto at = project.find(gpkg);
  ASSERT_NE(at, std::string::npos);
  project.replace(at, gpkg.size(), postgres);
  const auto provider = project.find("<provider encoding=\"UTF-8\">ogr</provider>", at);
  ASSERT_NE(provider, std::string::npos);
  project.replace(provider, std::string("<provider encoding=\"UTF-8\">ogr</provider>").size(),
                  "<provider encoding=\"UTF-8\">postgres</provider>");
  std::ofstream(dir / "pg.qgs", std::ios::binary) << project;

  const std::string expression = "[USE].First ([ACRES].Sum.Round(1) ac., [FLOORS].Maximum)";
  auto run = carrowind("apply " + path("pg.qgs") + " --layer 'North parcels' --json --expr '" + expression + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json fromServer = json::parse(run.out)["labels"];
  run = carrowind("apply " + path("file.qgs") + " --layer 'North parcels' --json --expr '" + expression + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(fromServer, json::parse(run.out)["labels"]);
  EXPECT_NE(readText(dir / "pg.qgs").find("(35.7 ac., "), std::string::npos);

  run = carrowind("reset " + path("pg.qgs") + " --layer 'North parcels'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(readText(dir / "pg.qgs"), project);
}

// QGIS's ranges on the server are totalled there, grouped by their bounds:
// a gap, falling and overlapping ranges, bounds on values records hold.
TEST_F(PostgisCli, QgisRangesAreTotalledOnTheServerAsTheFileIsRead) {
  const std::string ranges = R"(<range lower="1.2" upper="3.63" label="a" symbol="0" render="true"/>
      <range lower="4" upper="6.45" label="b" symbol="0" render="true"/>
      <range lower="3.63" upper="4" label="c" symbol="0" render="true"/>
      <range lower="5.62" upper="8.5" label="d" symbol="0" render="true"/>
      <range lower="8.5" upper="100" label="e" symbol="0" render="true"/>)";
  std::ofstream(dir / "ranges.qml") << R"(<qgis version="3.22.16-Białowieża" styleCategories="Symbology">
  <renderer-v2 attr="ACRES" type="graduatedSymbol" graduatedMethod="GraduatedColor">
    <ranges>
      )" << ranges << R"(
    </ranges>
  </renderer-v2>
</qgis>
)";
  const std::string expression = "[ACRES].Count [ACRES].Sum.Round(2) [OWNER_ID].First [OWNER_ID].Last";
  const std::string table = "dbname='carrowind_test' host=" + kServerDir + " port=54329 user='postgres' key='gid' "
                            "table=\"public\".\"landuse\" (geom)";
  auto run = carrowind("apply " + path("ranges.qml") + " --layer ranges --dry-run --json --provider postgres --data \"" +
                       table + "\" --expr '" + expression + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json fromServer = json::parse(run.out)["labels"];
  run = carrowind("apply " + path("ranges.qml") + " --layer ranges --dry-run --json --data '" + std::string(CW_SOURCE_DIR) +
                  "/examples/data/landuse.shp' --expr '" + expression + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json fromFile = json::parse(run.out)["labels"];
  EXPECT_EQ(fromServer, fromFile);
  ASSERT_EQ(fromFile.size(), 5u);
  EXPECT_EQ(fromFile[4], "e") << "no record lies above 8.5: the class keeps its label";
}

// Every column type a layer may have, with its type code; names in mixed
// case and a reserved word; text with a quote; nulls.
TEST_F(PostgisCli, ColumnsOfEveryTypeAreReadWithTheirCodes) {
  auto run = carrowind("new-map " + path("typed.cwmap") + " --data '" + connection() +
                       "' --layer typed --unique-values MixedCase");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = carrowind("fields " + path("typed.cwmap") + " --layer typed");
  EXPECT_EQ(run.out,
            "id\t6\tobject ID\ngeom\t7\tgeometry\ni2\t0\tsmall integer\ni4\t1\tinteger\ni8\t3\tdouble\n"
            "f4\t2\tsingle\nf8\t3\tdouble\nnum\t3\tdouble\nt\t4\tstring\nvc\t4\tstring\nd\t5\tdate\n"
            "ts\t5\tdate\nb\t0\tsmall integer\nMixedCase\t4\tstring\nselect\t1\tinteger\n");
  run = carrowind("apply " + path("typed.cwmap") +
                  " --layer typed --json --expr '[i2].Sum|[i4].Sum|[i8].Sum|[f4].Sum|[f8].Sum|[num].Sum|[t].First|"
                  "[vc].Last|[d].First|[ts].First|[b].First|[select].Sum|[id].Count'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // Last is the highest ID's value: record 3's, null, in class A.
  EXPECT_EQ(json::parse(run.out)["labels"],
            json({"1|2|3000000000|1.5|2.25|12.345|it's||2/29/2024|2/29/2024 1:45:00 PM|1|5|2",
                  "2|3|4|2.5|3.25|1.5|x|v2|3/1/2024|3/1/2024|0|2|1"}));
}

// Object IDs are 32-bit: a wider key is refused, not wrapped onto another
// record's ID.
TEST_F(PostgisCli, AKeyWiderThan32BitsIsRefused) {
  const auto run = carrowind("new-map " + path("wide.cwmap") + " --data '" + connection() +
                             "' --layer wide_key --unique-values NAME");
  EXPECT_EQ(run.exitCode, 1);  // found while reading the records
  EXPECT_NE(run.err.find("5000000000"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir / "wide.cwmap"));
}

// A server that is down, a database or a user it does not know, a table
// that is not there: one line with the server's own words, nothing written.
TEST_F(PostgisCli, ConnectionFailuresAreOneLineInTheServersWords) {
  const std::string server = "PG:host=" + kServerDir + " port=54329 ";
  const std::pair<std::string, std::string> cases[] = {
      {connection("1"), "failed"},
      {server + "dbname=nodb user=postgres", "database \"nodb\" does not exist"},
      {server + "dbname=carrowind_test user=nobody", "role \"nobody\" does not exist"},
  };
  for (const auto& [data, words] : cases) {
    const auto run = carrowind("new-map " + path("x.cwmap") + " --data '" + data + "' --layer landuse");
    EXPECT_EQ(run.exitCode, 2) << data;
    EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(data), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  const auto run = carrowind("new-map " + path("x.cwmap") + " --data '" + connection() + "' --layer nosuch");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("no layer \"nosuch\""), std::string::npos) << run.err;
  // opened for that table alone, then in full to say which there are
  const auto listed = run.err.find("(layers: ");
  ASSERT_NE(listed, std::string::npos) << run.err;
  EXPECT_NE(run.err.find("landuse", listed), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir / "x.cwmap"));
}

// A wrong password: the server's words, the password itself never shown.
TEST_F(PostgisCli, AWrongPasswordIsRefusedWithoutShowingIt) {
  const std::string server = "PG:host=" + kServerDir + " port=54329 dbname=carrowind_test user=carrowind_pw ";
  auto run = carrowind("new-map " + path("x.cwmap") + " --data '" + server + "password=wrongsecret' --layer landuse");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("password authentication failed for user \"carrowind_pw\""), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("password=***"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("wrongsecret"), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_FALSE(fs::exists(dir / "x.cwmap"));

  run = carrowind("new-map " + path("x.cwmap") + " --data '" + server + "password=right' --layer landuse");
  EXPECT_EQ(run.exitCode, 0) << run.err;
}

// A statement the server cancels (the role's statement_timeout, 300 ms)
// while labels are made: exit 1, the layer and the server's words in one
// line, the document as it was.
TEST_F(PostgisCli, AStatementTimeoutNamesTheLayerAndLeavesTheDocument) {
  auto run = carrowind("new-map " + path("slow.cwmap") + " --data 'PG:host=" + kServerDir +
                       " port=54329 dbname=carrowind_test user=carrowind_hasty' --layer landuse --unique-values USE");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  json doc = json::parse(std::ifstream(dir / "slow.cwmap"));
  doc["layers"][0]["definition_query"] = "\"ACRES\" < (SELECT 1e9 FROM pg_sleep(1))";
  std::ofstream(dir / "slow.cwmap") << doc.dump(2);
  const std::string before = readText(dir / "slow.cwmap");

  run = carrowind("apply " + path("slow.cwmap") + " --layer landuse --expr '[ACRES].Sum'");
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("canceling statement due to statement timeout"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\"landuse\""), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(readText(dir / "slow.cwmap"), before);
}

// Joins across the two: the sample layer's file joined with the owners
// table on the server, and the server's layer joined with the owners file,
// label as the file joined with the file.
TEST_F(PostgisCli, JoinsBetweenServerTablesAndFilesLabelAsFilesDo) {
  const fs::path data = fs::path(CW_SOURCE_DIR) / "examples" / "data";
  const json fileLayer = {{"path", (data / "landuse.shp").string()}}, fileOwners = {{"path", (data / "owners.csv").string()}};
  const json serverLayer = {{"connection", connection()}, {"layer", "landuse"}},
             serverOwners = {{"connection", connection()}, {"layer", "owners"}};
  json doc = json::parse(std::ifstream(fs::path(CW_SOURCE_DIR) / "examples" / "join.cwmap"));
  doc.erase("page_layout");
  const std::string expression = "[landuse.USE].First: [owners.ONAME].First, [owners.OTYPE].Last, "
                                 "[landuse.ACRES].Sum.Round(2) ac. in [owners.OWNER_ID].Count";
  auto labelsWith = [&](const json& layer, const json& owners) {
    doc["layers"][0]["source"] = layer;
    doc["layers"][0]["join"]["table"] = owners;
    std::ofstream(dir / "join.cwmap") << doc.dump(2);
    const auto run = carrowind("apply " + path("join.cwmap") + " --layer 'Parcels with owners' --json --expr '" +
                               expression + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.exitCode == 0 ? json::parse(run.out)["labels"] : json();
  };
  const json files = labelsWith(fileLayer, fileOwners);
  ASSERT_TRUE(files.is_array());
  ASSERT_FALSE(files.empty());
  EXPECT_EQ(labelsWith(fileLayer, serverOwners), files);
  EXPECT_EQ(labelsWith(serverLayer, fileOwners), files);
  EXPECT_EQ(labelsWith(serverLayer, serverOwners), files);
}

// A layer style over the server's table, named as QGIS's postgres provider
// names it, labels as over the file.
TEST_F(PostgisCli, AStyleOverAServerTableIsLabelledThroughThePostgresProvider) {
  std::ofstream(dir / "use.qml") << R"(<qgis version="3.22.16-Białowieża">
  <renderer-v2 attr="USE" type="categorizedSymbol">
    <categories>
      <category label="p" value="Park" symbol="0" render="true"/>
      <category label="r" value="Residential" symbol="1" render="true"/>
      <category label="o" value="" symbol="2" render="true"/>
    </categories>
  </renderer-v2>
</qgis>
)";
  const std::string expression = " --layer use --expr '[ACRES].Sum.Round(2) in [USE].Count' --json --dry-run";
  const std::string uri = "dbname='carrowind_test' host=" + kServerDir +
                          " port=54329 user='postgres' key='gid' table=\"public\".\"landuse\" (geom)";
  const auto server = carrowind("apply " + path("use.qml") + " --provider postgres --data '" + uri + "'" + expression);
  ASSERT_EQ(server.exitCode, 0) << server.err;
  const auto file = carrowind("apply " + path("use.qml") + " --data '" + std::string(CW_SOURCE_DIR) +
                              "/examples/data/landuse.shp'" + expression);
  ASSERT_EQ(file.exitCode, 0) << file.err;
  EXPECT_EQ(json::parse(server.out)["labels"], json::parse(file.out)["labels"]);
}

}  // namespace
