// carrowind export-layout as a script runs it: no display, exit codes, the
// files it writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../apps/cli_run.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

class ExportLayoutCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_export_");
    // As on a server: no display and no platform chosen.
    ::unsetenv("QT_QPA_PLATFORM");
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    // A sanitized program would fail on fontconfig's lifelong allocations.
    ::setenv("LSAN_OPTIONS", "suppressions=" CW_SOURCE_DIR "/tests/render/lsan.supp", 1);
  }
  void TearDown() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    fs::remove_all(dir);
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  fs::path dir;
  const std::string landuse = std::string(CW_SOURCE_DIR) + "/examples/landuse.cwmap";
};

std::string head(const std::string& file, std::size_t n) {
  std::ifstream in(file, std::ios::binary);
  std::string s(n, '\0');
  in.read(s.data(), static_cast<std::streamsize>(n));
  s.resize(static_cast<std::size_t>(in.gcount()));
  return s;
}

TEST_F(ExportLayoutCli, WritesPngPdfAndSvgWithoutADisplay) {
  for (const auto& [name, magic] : std::vector<std::pair<std::string, std::string>>{
           {"page.png", std::string("\x89PNG", 4)}, {"page.pdf", "%PDF"}, {"PAGE.SVG", "<?xml"}}) {
    SCOPED_TRACE(name);
    const Result run = carrowind("export-layout " + landuse + " " + path(name) + " --dpi 72");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    ASSERT_TRUE(fs::exists(path(name)));
    EXPECT_GT(fs::file_size(path(name)), 1000u);
    EXPECT_EQ(head(path(name), magic.size()), magic);
  }
}

TEST_F(ExportLayoutCli, UsageAndInputErrorsExitTwoAndWriteNothing) {
  for (const std::string& args : {"export-layout " + landuse + " " + path("page.jpg"),
                                  "export-layout " + path("missing.cwmap") + " " + path("page.png"),
                                  "export-layout " + landuse + " " + path("page.png") + " --dpi 0",
                                  "export-layout " + landuse + " " + path("page.png") + " --dpi 100000",
                                  "export-layout " + landuse + " " + path("page.png") + " --dpi many",
                                  "export-layout " + landuse}) {
    SCOPED_TRACE(args);
    const Result run = carrowind(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(fs::is_empty(dir));
  }
}

TEST_F(ExportLayoutCli, AFileThatCannotBeWrittenExitsOneAndKeepsWhatWasThere) {
  const Result run = carrowind("export-layout " + landuse + " " + path("no/such/folder/page.png"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("page.png"), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;

  // A folder where the file should go cannot be replaced by it.
  fs::create_directories(dir / "taken.png" / "inside");
  EXPECT_EQ(carrowind("export-layout " + landuse + " " + path("taken.png")).exitCode, 1);
  EXPECT_TRUE(fs::is_directory(dir / "taken.png" / "inside"));
}

TEST_F(ExportLayoutCli, HelpExplainsFormatsAndResolution) {
  const Result run = carrowind("export-layout --help");
  EXPECT_EQ(run.exitCode, 0);
  for (const char* word : {".png", ".pdf", ".svg", "--dpi", "display"}) EXPECT_NE(run.out.find(word), std::string::npos) << word;
}

}  // namespace
