// PostGIS layers on a real server (scripts/pg-test-server, started by ctest):
// the sample land-use layer loaded there as ogr2ogr loads a Shapefile, column
// names in upper case, labelled as the same layer read from its file is.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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

TEST_F(PostgisCli, AServerThatIsNotThereIsNamed) {
  const auto run = carrowind("new-map " + path("down.cwmap") + " --data '" + connection("1") + "' --layer landuse");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("PG:host="), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir / "down.cwmap"));
}

}  // namespace
