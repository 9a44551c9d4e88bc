// The commands on QGIS projects and styles, as a user runs them on a copy of
// the sample project: labels written into the project and reset across runs,
// a style labelled over data named on the command line, and the refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_run.h"
#include "tests/common/file_bytes.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using test_support::readFile;
using test_support::replaced;

class QgisCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_qgis_cli_");
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "parcels.qgs", dir);
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "data", fs::copy_options::recursive);
    ::setenv("CARROWIND_REGISTRY", (dir / "registry.db").c_str(), 1);
    original = readFile(dir / "parcels.qgs");
  }
  void TearDown() override {
    ::unsetenv("CARROWIND_REGISTRY");
    fs::remove_all(dir);
  }
  std::string path(const std::string& name) const { return "'" + (dir / name).string() + "'"; }
  fs::path dir;
  std::string original;
};

TEST_F(QgisCli, ApplyWritesTheLabelsIntoTheProjectAndResetTakesThemBack) {
  const Result r = carrowind("apply " + path("parcels.qgs") +
                             " --layer Parcels --expr '[USE].First ([ACRES].Sum.Round(0) ac.)' --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json labels = json::parse(r.out)["labels"];
  ASSERT_EQ(labels.size(), 10u);
  EXPECT_EQ(labels[6], "Residential (159 ac.)");
  EXPECT_EQ(labels[9], " (27 ac.)");  // all other values: the nulls' parcels
  const std::string written = readFile(dir / "parcels.qgs");
  EXPECT_NE(written.find(R"x(label="Residential (159 ac.)")x"), std::string::npos);
  EXPECT_EQ(written.size(), original.size() + std::string(" (86 ac.) (78 ac.) (32 ac.) (68 ac.) (56 ac.) (32 ac.) (159 ac.) (22 ac.) (20 ac.) (27 ac.)").size());
  EXPECT_TRUE(fs::exists(dir / "parcels.qgs.carrowind.json"));

  // joined fields as QGIS names them, through the join the project makes
  const Result owners = carrowind("apply " + path("parcels.qgs") + " --layer Parcels --expr '[owners_ONAME].First' --dry-run");
  ASSERT_EQ(owners.exitCode, 0) << owners.err;
  EXPECT_EQ(readFile(dir / "parcels.qgs"), written);

  const Result legend = carrowind("legend " + path("parcels.qgs") + " --layer Parcels --json");
  EXPECT_EQ(json::parse(legend.out)["labels"], labels);
  const Result reset = carrowind("reset " + path("parcels.qgs") + " --layer Parcels");
  ASSERT_EQ(reset.exitCode, 0) << reset.err;
  EXPECT_EQ(readFile(dir / "parcels.qgs"), original);
  EXPECT_FALSE(fs::exists(dir / "parcels.qgs.carrowind.json"));
  EXPECT_EQ(carrowind("reset " + path("parcels.qgs") + " --layer Parcels").exitCode, 1);
}

TEST_F(QgisCli, AStyleIsLabelledOverTheDataGivenWithIt) {
  const std::string style = R"(<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>
<qgis styleCategories="AllStyleCategories" version="3.22.16-Białowieża">
  <renderer-v2 attr="ACRES" type="graduatedSymbol" graduatedMethod="GraduatedColor">
    <ranges>
      <range label="small" lower="0.000000000000000" upper="3.000000000000000" symbol="0" render="true"/>
      <range label="large" lower="3.000000000000000" upper="40.000000000000000" symbol="1" render="true"/>
    </ranges>
  </renderer-v2>
</qgis>
)";
  std::ofstream(dir / "size.qml") << style;
  // the shell's quoting of: PATH|layername=landuse|subset="DISTRICT" = 'North'
  const std::string data =
      "'" + (dir / "data" / "landuse.gpkg").string() + "|layername=landuse|subset=\"DISTRICT\" = '\\''North'\\'''";
  const Result r = carrowind("apply " + path("size.qml") + " --data " + data + " --layer size --expr '[ACRES].Count parcels' --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json labels = json::parse(r.out)["labels"];
  const std::string written = readFile(dir / "size.qml");
  EXPECT_EQ(written, replaced(replaced(style, R"(label="small")", "label=\"" + labels[0].get<std::string>() + "\""),
                              R"(label="large")", "label=\"" + labels[1].get<std::string>() + "\""));

  EXPECT_EQ(carrowind("legend " + path("size.qml")).exitCode, 2);  // a style without its data
  EXPECT_EQ(carrowind("legend " + path("parcels.qgs") + " --data " + data).exitCode, 2);
}

// A style's layer has no selection of its own: QGIS's selected feature IDs
// come in a file, and the summaries read just those records.
TEST_F(QgisCli, AStylesSelectionComesFromAFileOfFeatureIds) {
  std::ofstream(dir / "size.qml") << R"(<qgis version="3.22.16-Białowieża">
  <renderer-v2 attr="ACRES" type="graduatedSymbol">
    <ranges><range label="all" lower="0" upper="1000" symbol="0" render="true"/></ranges>
  </renderer-v2>
</qgis>
)";
  const std::string data = " --data '" + (dir / "data" / "landuse.shp").string() + "' --layer size ";
  std::ofstream(dir / "ids.txt") << "0, 1\n2 7\n";
  Result r = carrowind("apply " + path("size.qml") + data + "--selection-file " + path("ids.txt") +
                       " --records selection --expr '[ACRES].Count' --json --dry-run");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["labels"], json({"4"}));
  r = carrowind("apply " + path("size.qml") + data + "--expr '[ACRES].Count' --json --dry-run");
  EXPECT_NE(json::parse(r.out)["labels"], json({"4"}));  // without it, every record in range

  std::ofstream(dir / "bad.txt") << "1 2 x3";
  r = carrowind("apply " + path("size.qml") + data + "--selection-file " + path("bad.txt") + " --expr '[ACRES].Count'");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("\"x3\", which is no feature ID"), std::string::npos) << r.err;
  r = carrowind("apply " + path("size.qml") + data + "--provider wfs --expr '[ACRES].Count'");
  EXPECT_EQ(r.exitCode, 2);
}

// The classes QGIS put the features in, as the QGIS plugin hands them over
// for a style only QGIS can classify by: rules, categories on an expression.
TEST_F(QgisCli, AStylesClassesMayComeFromQgis) {
  std::ofstream(dir / "first.qml") << R"x(<qgis version="3.22.16-Białowieża">
  <renderer-v2 attr="left(&quot;USE&quot;, 1)" type="categorizedSymbol">
    <categories>
      <category label="A" value="A" symbol="0" render="true"/>
      <category label="others" value="" symbol="0" render="true"/>
      <category label="C" value="C" symbol="0" render="true"/>
    </categories>
  </renderer-v2>
</qgis>
)x";
  // legend items in QGIS's order: A, the all-other-values category, C
  std::ofstream(dir / "classes.json") << R"({"format": "carrowind-qgis-classes", "version": 1,
                                             "items": [[0, 1], [5], [2, 3, 4]]})";
  const std::string data = " --data '" + (dir / "data" / "landuse.shp").string() + "' --layer first ";
  Result r = carrowind("apply " + path("first.qml") + data + "--qgis-classes " + path("classes.json") +
                       " --expr '[ACRES].Count' --json --dry-run");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // the all-other-values class, last, holds every feature no category holds
  EXPECT_EQ(json::parse(r.out)["labels"], json({"2", "3", "163"})) << r.out;
  r = carrowind("apply " + path("first.qml") + data + "--expr '[ACRES].Count' --json --dry-run");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(json::parse(r.out).value("message", "").find("its categories are on the expression left(\"USE\", 1), "
                                                        "which only QGIS can evaluate"),
            std::string::npos)
      << r.out;
}

TEST_F(QgisCli, LayersThatCannotBeLabelledOrNamedSayWhyAndNothingIsWritten) {
  std::string project = replaced(original, R"(type="graduatedSymbol")", R"(type="RuleRenderer")");
  project = replaced(project, "<layername>North parcels</layername>", "<layername>Parcels</layername>");
  std::ofstream(dir / "odd.qgs") << project;
  const Result rules = carrowind("apply " + path("odd.qgs") + " --layer 'Parcel size' --expr '[ACRES].Sum' --json");
  EXPECT_EQ(rules.exitCode, 1);
  EXPECT_NE(json::parse(rules.out).value("message", "").find("rule-based"), std::string::npos) << rules.out;
  const Result verify = carrowind("verify " + path("odd.qgs") + " --layer 'Parcel size' --expr '[ACRES].Sum'");
  EXPECT_EQ(verify.exitCode, 1);
  EXPECT_NE(verify.out.find("RuleRenderer"), std::string::npos) << verify.out;
  const Result twice = carrowind("apply " + path("odd.qgs") + " --layer Parcels --expr '[ACRES].Sum'");
  EXPECT_EQ(twice.exitCode, 2);
  EXPECT_NE(twice.err.find("2 layers are named \"Parcels\""), std::string::npos) << twice.err;
  EXPECT_EQ(readFile(dir / "odd.qgs"), project);
  EXPECT_FALSE(fs::exists(dir / "odd.qgs.carrowind.json"));

  // a renderer QGIS does not write, and data that is gone
  const std::string made = replaced(original, R"(type="graduatedSymbol")", R"(type="madeUpRenderer")");
  std::ofstream(dir / "made.qgs") << made;
  const Result unknown = carrowind("apply " + path("made.qgs") + " --layer 'Parcel size' --expr '[ACRES].Sum'");
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("\"madeUpRenderer\" is not one QGIS writes"), std::string::npos) << unknown.err;
  fs::remove(dir / "data" / "landuse.gpkg");
  const Result gone = carrowind("apply " + path("made.qgs") + " --layer 'North parcels' --expr '[ACRES].Sum'");
  EXPECT_EQ(gone.exitCode, 2);
  EXPECT_NE(gone.err.find("cannot be opened"), std::string::npos) << gone.err;
  EXPECT_EQ(readFile(dir / "made.qgs"), made);
  EXPECT_FALSE(fs::exists(dir / "made.qgs.carrowind.json"));
}

}  // namespace
