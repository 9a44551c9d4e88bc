// What the commands write, as a user under version control sees it: a
// document comes back from apply and reset as it was but for the legend
// frames they re-fit, whose bounds carry no binary noise; and no command
// writes over the document's own data or gives a map document a QGIS name.
#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>

#include "cli_run.h"
#include "tests/common/file_bytes.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using test_support::readFile;
using test_support::replaced;
using test_support::writeFile;

const std::regex kBounds(R"("bounds": \[([^\]]*)\])");

// The document's text with every legend frame's bounds masked.
std::string withoutBounds(const std::string& text) { return std::regex_replace(text, kBounds, "\"bounds\": [...]"); }

// The number texts of every legend frame's bounds.
std::vector<std::string> boundsNumbers(const std::string& text) {
  std::vector<std::string> out;
  for (std::sregex_iterator it(text.begin(), text.end(), kBounds), end; it != end; ++it) {
    const std::string list = (*it)[1];
    const std::regex number(R"([^\s,]+)");
    for (std::sregex_iterator n(list.begin(), list.end(), number); n != end; ++n) out.push_back(n->str());
  }
  return out;
}

class SavedDocuments : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::examplesCopy("cw_saved_");
    // a store of its own: the user's may name another build's libraries
    ::setenv("CARROWIND_REGISTRY", (dir / "registry.db").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const fs::path& name) const { return "'" + (dir / name).string() + "'"; }
  // Refused as an input error, in one line naming why; nothing written.
  static void refused(const Result& run, const std::string& why) {
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  fs::path dir;
};

TEST_F(SavedDocuments, ApplyThenResetGivesEveryExampleBackButItsRefittedFrames) {
  int labelled = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".cwmap") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::string original = readFile(entry.path());
    const Result listing = carrowind("legend " + path(name) + " --json");
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    std::string layer;
    for (const auto& l : json::parse(listing.out))
      if (l["renderer"] != "none" && layer.empty()) layer = l["layer"];
    const Result apply = carrowind("apply " + path(name) + " --layer '" + layer + "' --expr '$$LABEL [ACRES].Count'");
    if (apply.exitCode != 0) {  // grouped values, a dot-density renderer: nothing written
      EXPECT_EQ(readFile(entry.path()), original);
      continue;
    }
    ++labelled;
    const std::string applied = readFile(entry.path());
    ASSERT_EQ(carrowind("reset " + path(name) + " --layer '" + layer + "'").exitCode, 0);
    const std::string reset = readFile(entry.path());
    EXPECT_EQ(withoutBounds(reset), withoutBounds(original));
    for (const auto& text : {applied, reset})
      for (const auto& number : boundsNumbers(text))
        EXPECT_TRUE(std::regex_match(number, std::regex(R"(\d+(\.\d{1,3})?)"))) << number;
  }
  EXPECT_GE(labelled, 10);
}

// Written by hand: whole numbers without a point, a frame placed where the
// re-fit's arithmetic is not exact, no minimum break.
TEST_F(SavedDocuments, NumbersKeepTheirFormAndTheFrameItsUnmovedSide) {
  std::string doc = readFile(dir / "class_breaks.cwmap");
  doc = replaced(doc, "        \"min_break\": 1.2,\n", "");
  doc = replaced(doc, "\"field\": \"ACRES\",\n", "\"field\": \"ACRES\",\n        \"opacity\": 1,\n        \"gamma\": 1.0,\n");
  doc = std::regex_replace(doc, kBounds, "\"bounds\": [0.3, 0.7, 2, 4]");
  writeFile(dir / "hand.cwmap", doc);

  ASSERT_EQ(carrowind("apply " + path("hand.cwmap") + " --layer 'Parcel size' --expr '[ACRES].Sum'").exitCode, 0);
  const std::string applied = readFile(dir / "hand.cwmap");
  for (const char* kept : {"\"upper\": 4,", "\"upper\": 6,", "\"upper\": 2.5,", "\"opacity\": 1,", "\"gamma\": 1.0,"})
    EXPECT_NE(applied.find(kept), std::string::npos) << kept;
  EXPECT_EQ(applied.find("min_break"), std::string::npos);
  const auto bounds = boundsNumbers(applied);
  ASSERT_EQ(bounds.size(), 4u);
  EXPECT_EQ(bounds[0], "0.3");  // the left side stays
  // the top stays too: 0.7 + 4, to the thousandth the frame is placed to
  EXPECT_NEAR(std::stod(bounds[1]) + std::stod(bounds[3]), 4.7, 0.0005);
  for (const auto& number : bounds) EXPECT_LE(number.size(), 5u) << number;

  ASSERT_EQ(carrowind("reset " + path("hand.cwmap") + " --layer 'Parcel size'").exitCode, 0);
  EXPECT_EQ(withoutBounds(readFile(dir / "hand.cwmap")), withoutBounds(doc));
}

TEST_F(SavedDocuments, NoCommandWritesOverTheDocumentsOwnData) {
  const fs::path data = dir / "data";
  std::map<fs::path, std::string> before;
  for (const auto& entry : fs::directory_iterator(data))
    if (entry.is_regular_file()) before[entry.path()] = readFile(entry.path());

  // A map over its own GeoPackage, over a shapefile's table, through a link.
  refused(carrowind("new-map " + path("data/landuse.gpkg") + " --data " + path("data/landuse.gpkg") + " --force"),
          "is the data of layer \"landuse\"");
  refused(carrowind("new-map " + path("data/landuse.dbf") + " --data " + path("data/landuse.shp") + " --force"),
          "belongs to the data of layer \"landuse\"");
  fs::create_symlink(data / "landuse.shx", dir / "index.cwmap");
  refused(carrowind("new-map " + path("index.cwmap") + " --data " + path("data/landuse.shp") + " --force"),
          "belongs to the data");
  EXPECT_TRUE(fs::is_symlink(dir / "index.cwmap"));

  // Labels written over a layer's data, a file beside it not there yet, the
  // joined table; the data named through a linked folder.
  const std::string expression = " --expr '[ACRES].Sum'";
  refused(carrowind("apply " + path("class_breaks.cwmap") + " --layer 'Parcel size'" + expression + " -o " +
                    path("data/landuse.shp")),
          "is the data of layer \"Parcel size\"");
  refused(carrowind("apply " + path("class_breaks.cwmap") + " --layer 'Parcel size'" + expression + " -o " +
                    path("data/landuse.qix")),
          "belongs to the data");
  refused(carrowind("apply " + path("join.cwmap") + " --layer 'Parcels with owners' --expr '[OWNER_ID].Count' -o " +
                    path("data/owners.csv")),
          "is the joined table of layer \"Parcels with owners\"");
  fs::create_directory_symlink(data, dir / "linked");
  writeFile(dir / "linked.cwmap", replaced(readFile(dir / "class_breaks.cwmap"), "data/landuse.shp", "linked/landuse.shp"));
  ASSERT_EQ(carrowind("apply " + path("linked.cwmap") + " --layer 'Parcel size'" + expression).exitCode, 0);
  refused(carrowind("reset " + path("linked.cwmap") + " --layer 'Parcel size' -o " + path("data/landuse.prj")),
          "belongs to the data");

  // A page drawn over a raster layer's image.
  GDALAllRegister();
  {
    auto* mem = GetGDALDriverManager()->GetDriverByName("MEM")->Create("", 4, 4, 1, GDT_Byte, nullptr);
    GDALClose(GetGDALDriverManager()->GetDriverByName("PNG")->CreateCopy((data / "relief.png").c_str(), mem, false,
                                                                          nullptr, nullptr, nullptr));
    GDALClose(mem);
  }
  writeFile(dir / "relief.cwmap", replaced(readFile(dir / "raster.cwmap"), "data/elevation.tif", "data/relief.png"));
  before[data / "relief.png"] = readFile(data / "relief.png");
  refused(carrowind("export-layout " + path("relief.cwmap") + " " + path("data/relief.png")),
          "is the data of layer \"Elevation\"");

  for (const auto& [file, bytes] : before) EXPECT_EQ(readFile(file), bytes) << file;
  // Beside the data under names of their own, all is written.
  EXPECT_EQ(carrowind("new-map " + path("data/map.cwmap") + " --data " + path("data/landuse.shp")).exitCode, 0);
  EXPECT_EQ(carrowind("apply " + path("class_breaks.cwmap") + " --layer 'Parcel size'" + expression + " -o " +
                      path("data/landuse.cwmap")).exitCode, 0);
  EXPECT_EQ(carrowind("export-layout " + path("relief.cwmap") + " " + path("data/page.png")).exitCode, 0);
}

TEST_F(SavedDocuments, AMapDocumentIsNotWrittenUnderAQgisName) {
  const std::string original = readFile(dir / "class_breaks.cwmap");
  refused(carrowind("new-map " + path("m.qgz") + " --data " + path("data/landuse.shp")), "QGIS file name");
  refused(carrowind("apply " + path("class_breaks.cwmap") + " --layer 'Parcel size' --expr x -o " + path("lu.qgs")),
          "QGIS file name");
  refused(carrowind("reset " + path("class_breaks.cwmap") + " --layer 'Parcel size' -o " + path("lu.QML")),
          "QGIS file name");
  for (const char* name : {"m.qgz", "lu.qgs", "lu.QML"}) EXPECT_FALSE(fs::exists(dir / name)) << name;
  EXPECT_EQ(readFile(dir / "class_breaks.cwmap"), original);

  // A QGIS project goes on being written as one of its kind, not as another.
  const std::string project = readFile(dir / "parcels.qgs");
  const std::string expression = " --layer Parcels --expr '[USE].First'";
  refused(carrowind("apply " + path("parcels.qgs") + expression + " -o " + path("parcels.cwmap")),
          "is written as one again");
  EXPECT_FALSE(fs::exists(dir / "parcels.cwmap"));
  EXPECT_EQ(carrowind("apply " + path("parcels.qgs") + expression + " -o " + path("copy.qgs")).exitCode, 0);
  EXPECT_EQ(readFile(dir / "parcels.qgs"), project);
}

}  // namespace
