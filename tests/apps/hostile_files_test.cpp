// Documents from elsewhere, made by a careless hand or an attacker: nesting
// no real file has, numbers no double holds, data paths that are no files,
// and documents reached through links or protected against writing. Each
// ends in one clear line naming the file, exit code 2 and nothing written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <fstream>
#include <sstream>
#include <string>

#include "cli_run.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string repeated(std::string_view piece, std::size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// The land-use example with its data path made absolute, and `extra` (JSON
// members, each followed by a comma) put first.
std::string landUse(const std::string& extra = "", const std::string& dataPath = "") {
  std::string doc = readText(fs::path(CW_SOURCE_DIR) / "examples" / "class_breaks.cwmap");
  const std::string relative = "\"data/landuse.shp\"";
  const std::string path = dataPath.empty() ? std::string(CW_SOURCE_DIR) + "/examples/data/landuse.shp" : dataPath;
  doc.replace(doc.find(relative), relative.size(), "\"" + path + "\"");
  doc.insert(doc.find('{') + 1, extra);
  return doc;
}

class HostileFiles : public ::testing::Test {
 protected:
  void SetUp() override { dir = test_support::scratchDir("cw_hostile_"); }
  void TearDown() override { fs::remove_all(dir); }
  fs::path write(const std::string& name, const std::string& text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  }
  // One line on stderr, naming the file, exit code 2, nothing on stdout.
  static void refusedNaming(const Result& run, const fs::path& file, const std::string& reason) {
    EXPECT_EQ(run.exitCode, 2) << run.err.substr(0, 400);
    EXPECT_TRUE(run.out.empty()) << run.out.substr(0, 400);
    EXPECT_NE(run.err.find(file.filename().string()), std::string::npos) << run.err.substr(0, 400);
    EXPECT_NE(run.err.find(reason), std::string::npos) << run.err.substr(0, 400);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err.substr(0, 400);
    EXPECT_LT(run.err.size(), 600u) << run.err.substr(0, 400);
  }
  fs::path dir;
};

TEST_F(HostileFiles, NestingNoRealDocumentHasIsRefusedWithItsPlace) {
  const auto arrays = write("arrays.cwmap", landUse("\"notes\": " + repeated("[", 100000) + repeated("]", 100000) + ","));
  refusedNaming(carrowind("legend " + arrays.string()), arrays, "nest deeper than");
  EXPECT_NE(carrowind("legend " + arrays.string()).err.find("notes"), std::string::npos);

  // Group layers inside group layers, a hundred thousand deep.
  std::string groups = "{\"format\": \"carrowind-map\", \"version\": 1, \"layers\": [";
  groups += repeated("{\"name\": \"g\", \"type\": \"group\", \"layers\": [", 100000);
  groups += repeated("]}", 100000) + "]}";
  const auto grouped = write("groups.cwmap", groups);
  refusedNaming(carrowind("legend " + grouped.string()), grouped, "nest deeper than");

  const auto project = write("deep.qgs", "<qgis version=\"3.22.0\"><layer-tree-group>" +
                                             repeated("<layer-tree-group name=\"g\">", 50000) +
                                             repeated("</layer-tree-group>", 50000) + "</layer-tree-group></qgis>");
  const auto run = carrowind("legend " + project.string());
  refusedNaming(run, project, "nest deeper than");
  EXPECT_NE(run.err.find("line 1"), std::string::npos) << run.err;

  // Nothing is written on the way out.
  const std::string before = readText(arrays);
  EXPECT_EQ(carrowind("apply " + arrays.string() + " --layer 'Parcel size' --expr '[ACRES].Count'").exitCode, 2);
  EXPECT_EQ(readText(arrays), before);
}

// Saving writes what was read, not a multiple of it: members of any depth a
// document may have come back, deep ones on one line.
TEST_F(HostileFiles, SavingKeepsAnUnknownMemberAndTheSizeInProportion) {
  const std::string deep = repeated("[1, ", 95) + "2" + repeated("]", 95);
  const auto doc = write("deep.cwmap", landUse("\"notes\": [" + repeated(deep + ", ", 500) + "0],"));
  const std::string original = readText(doc);
  auto run = carrowind("apply " + doc.string() + " --layer 'Parcel size' --expr '[ACRES].Count'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string saved = readText(doc);
  // Indentation stops at a fixed depth, so the text grows by a bounded
  // factor (here, at the deepest a document may go, about seven times
  // the compact text) rather than with the depth.
  EXPECT_LT(saved.size(), original.size() * 8);
  // the member survives whole: every level of every copy
  EXPECT_EQ(nlohmann::json::parse(saved)["notes"], nlohmann::json::parse(original)["notes"]);
  // and a document saved again stays as it was
  run = carrowind("apply " + doc.string() + " --layer 'Parcel size' --expr '[ACRES].Count'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(readText(doc), saved);
}

TEST_F(HostileFiles, ANumberNoDoubleHoldsIsNamedShortly) {
  const std::string huge = "1" + std::string(100000, '0');
  for (const std::string& number : {std::string("1e999999"), huge, "-" + huge}) {
    const auto doc = write("numbers.cwmap", landUse("\"scale\": " + number + ","));
    const auto run = carrowind("legend " + doc.string());
    refusedNaming(run, doc, "too large");
    EXPECT_NE(run.err.find("scale"), std::string::npos) << run.err.substr(0, 400);
  }
}

TEST_F(HostileFiles, ADataPathThatIsNoFileFailsAtOnce) {
  const fs::path fifo = dir / "pipe.shp";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto run = carrowind("apply " + write("fifo.cwmap", landUse("", fifo.string())).string() +
                       " --layer 'Parcel size' --expr '[ACRES].Count' --dry-run");
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.find("named pipe"), std::string::npos) << run.err;
  run = carrowind("new-map " + (dir / "new.cwmap").string() + " --data " + fifo.string());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("named pipe"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir / "new.cwmap"));

  // A NUL inside the path would have opened the shorter one.
  const std::string real = std::string(CW_SOURCE_DIR) + "/examples/data/landuse.shp";
  const auto nul = write("nul.cwmap", landUse("", real + "\\u0000.backup"));
  run = carrowind("apply " + nul.string() + " --layer 'Parcel size' --expr '[ACRES].Count'");
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.find("NUL"), std::string::npos) << run.err;
  EXPECT_EQ(readText(nul).find("Count"), std::string::npos);
}

// Written through a link as editors write, relative data paths counting
// from the linked file's folder; a write-protected document only on --force.
TEST_F(HostileFiles, LinksAreWrittenThroughAndProtectionIsRespected) {
  fs::create_directories(dir / "real");
  fs::create_directories(dir / "elsewhere");
  fs::create_directory_symlink(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "real" / "data");
  fs::copy_file(fs::path(CW_SOURCE_DIR) / "examples" / "class_breaks.cwmap", dir / "real" / "map.cwmap");
  fs::create_symlink("../real/map.cwmap", dir / "elsewhere" / "link.cwmap");
  const std::string link = (dir / "elsewhere" / "link.cwmap").string();

  auto run = carrowind("apply " + link + " --layer 'Parcel size' --expr '[ACRES].Count'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(link));
  run = carrowind("legend " + (dir / "real" / "map.cwmap").string());
  EXPECT_EQ(run.out.find("1.2 - 2.5"), std::string::npos) << "the real document is labelled: " << run.out;
  EXPECT_NE(readText(dir / "real" / "map.cwmap").find("\"data/landuse.shp\""), std::string::npos);

  fs::permissions(dir / "real" / "map.cwmap", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string labelled = readText(dir / "real" / "map.cwmap");
  for (const std::string& command : {"apply " + link + " --layer 'Parcel size' --expr '[ACRES].Sum'",
                                     "reset " + link + " --layer 'Parcel size'"}) {
    run = carrowind(command);
    EXPECT_EQ(run.exitCode, 2) << command;
    EXPECT_NE(run.err.find("write-protected"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
    EXPECT_EQ(readText(dir / "real" / "map.cwmap"), labelled);
  }
  run = carrowind("apply " + link + " --layer 'Parcel size' --expr '[ACRES].Sum' --force");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(readText(dir / "real" / "map.cwmap"), labelled);
  EXPECT_EQ(fs::status(dir / "real" / "map.cwmap").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(fs::is_symlink(link));

  // A link to nothing is refused before anything is made.
  fs::create_symlink("../real/gone.cwmap", dir / "elsewhere" / "dangling.cwmap");
  run = carrowind("legend " + (dir / "elsewhere" / "dangling.cwmap").string());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir / "real" / "gone.cwmap"));
}

}  // namespace
