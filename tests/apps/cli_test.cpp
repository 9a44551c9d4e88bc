// The carrowind program as a user runs it: exit codes, one-line errors and
// the documents new-map writes, on the bundled Natural Earth data.
#include <gtest/gtest.h>

#include "cli_run.h"
#include "tests/common/scratch_dir.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string sample(const std::string& relative) { return std::string(CW_SOURCE_DIR) + "/examples/data/" + relative; }

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_cli_");
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  fs::path dir;
};

TEST_F(CliTest, InputErrorsGiveOneLineAndExitCodeTwo) {
  std::ofstream(path("broken.cwmap")) << "{ \"format\": \"carrowind-map\", ";
  std::ofstream(path("wrong.cwmap")) << R"({"format": "something-else", "version": 1, "layers": []})";
  ASSERT_EQ(carrowind("new-map " + path("world.cwmap") + " --data " + sample("world/world.gpkg")).exitCode, 0);
  const std::string world = path("world.cwmap");
  for (const std::string& args : std::vector<std::string>{"legend " + path("missing.cwmap"), "legend " + path("broken.cwmap"), "legend " + path("wrong.cwmap"),
        "legend " + world + " --layer nosuch", "fields " + world + " --layer nosuch",
        "values " + world + " --layer world --field NOSUCH", "legend", "frobnicate",
        "new-map " + path("x.cwmap") + " --data " + path("nodata.shp"),
        "new-map " + path("x.cwmap") + " --data " + sample("world/world.gpkg") + " --class-breaks continent",
        "new-map " + path("x.cwmap") + " --data " + sample("world/world.gpkg") + " --class-breaks pop --method best"}) {
    SCOPED_TRACE(args);
    const Result run = carrowind(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_FALSE(run.err.empty());
    if (args.rfind("legend ", 0) == 0 || args.rfind("values", 0) == 0) {
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
  EXPECT_NE(carrowind("legend " + path("wrong.cwmap")).err.find("format"), std::string::npos);
}

TEST_F(CliTest, NewMapRefusesToReplaceADocumentUnlessForced) {
  const std::string out = path("map.cwmap");
  ASSERT_EQ(carrowind("new-map " + out + " --data " + sample("world/world.gpkg")).exitCode, 0);
  std::ofstream(out, std::ios::app) << " ";
  const auto before = fs::file_size(out);
  EXPECT_EQ(carrowind("new-map " + out + " --data " + sample("world/world.gpkg")).exitCode, 2);
  EXPECT_EQ(fs::file_size(out), before);
  EXPECT_EQ(carrowind("new-map " + out + " --force --data " + sample("world/world.gpkg")).exitCode, 0);
}

TEST_F(CliTest, NewMapUniqueValuesMakesOneClassPerDistinctValue) {
  const std::string out = path("continents.cwmap");
  ASSERT_EQ(carrowind("new-map " + out + " --data " + sample("naturalearth_lowres/naturalearth_lowres.shp") +
                      " --unique-values continent")
                .exitCode,
            0);
  // the distinct values, read independently of the renderer
  const Result values = carrowind("values " + out + " --layer naturalearth_lowres --field continent");
  ASSERT_EQ(values.exitCode, 0) << values.err;
  std::set<std::string> distinct;
  std::istringstream lines(values.out);
  std::size_t records = 0;
  for (std::string line; std::getline(lines, line); ++records) distinct.insert(line);
  EXPECT_EQ(records, 177u);

  const Result legend = carrowind("legend " + out + " --layer naturalearth_lowres --json");
  ASSERT_EQ(legend.exitCode, 0) << legend.err;
  const auto json = nlohmann::json::parse(legend.out);
  EXPECT_EQ(json["renderer"], "unique_values");
  EXPECT_EQ(json["values"].size(), distinct.size());
  EXPECT_EQ(json["labels"], json["values"]);
  for (const auto& v : json["values"]) EXPECT_TRUE(distinct.count(v.get<std::string>())) << v;
}

TEST_F(CliTest, NewMapClassBreaksEndAtTheMaximumWithRangeLabels) {
  const std::string out = path("pop.cwmap");
  ASSERT_EQ(carrowind("new-map " + out + " --data " + sample("naturalearth_lowres/naturalearth_lowres.shp") +
                      " --class-breaks pop_est --classes 4 --method quantile")
                .exitCode,
            0);
  const Result legend = carrowind("legend " + out + " --json");
  ASSERT_EQ(legend.exitCode, 0) << legend.err;
  const auto json = nlohmann::json::parse(legend.out);
  ASSERT_TRUE(json.is_array());
  ASSERT_EQ(json.size(), 1u);
  const auto& layer = json[0];
  EXPECT_EQ(layer["renderer"], "class_breaks");
  ASSERT_EQ(layer["values"].size(), 4u);
  double maximum = 0;
  std::istringstream lines(carrowind("values " + out + " --layer naturalearth_lowres --field pop_est").out);
  for (std::string line; std::getline(lines, line);) maximum = std::max(maximum, std::stod(line));
  EXPECT_DOUBLE_EQ(layer["values"][3].get<double>(), maximum);
  for (const auto& label : layer["labels"]) EXPECT_NE(label.get<std::string>().find(" - "), std::string::npos);
}

TEST_F(CliTest, FieldsListTheObjectIdAndShapeFirst) {
  const std::string out = path("shp.cwmap");
  ASSERT_EQ(carrowind("new-map " + out + " --data " + sample("naturalearth_lowres/naturalearth_lowres.shp")).exitCode,
            0);
  const Result fields = carrowind("fields " + out + " --layer naturalearth_lowres");
  ASSERT_EQ(fields.exitCode, 0) << fields.err;
  EXPECT_EQ(fields.out.rfind("FID\t6\t", 0), 0u) << fields.out;
  EXPECT_NE(fields.out.find("\nShape\t7\t"), std::string::npos);
  EXPECT_NE(fields.out.find("\ngdp_md_est\t3\t"), std::string::npos);

  const Result some = carrowind("values " + out + " --layer naturalearth_lowres --field name --limit 3");
  EXPECT_EQ(std::count(some.out.begin(), some.out.end(), '\n'), 3);
}

TEST_F(CliTest, EveryCommandExplainsItself) {
  for (const std::string command : {"", "legend ", "fields ", "values ", "new-map "}) {
    const Result run = carrowind(command + "--help");
    EXPECT_EQ(run.exitCode, 0) << command;
    EXPECT_NE(run.out.find("Usage"), std::string::npos) << command;
  }
}

}  // namespace
