// Several commands on one document at once, as a shell loop that relabels
// the layers of a project in parallel runs them: every command that exits 0
// has its whole effect in the files, the kept labels always reset to the
// true originals, and one that cannot wait says so and writes nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "tests/common/file_bytes.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using test_support::readFile;

// A command running in the background; finish() waits for its exit code.
class Running {
 public:
  Running(const std::string& arguments, const fs::path& dir, int n) : err_(dir / ("err" + std::to_string(n))) {
    const std::string command =
        std::string(CW_BINARY_DIR) + "/bin/carrowind " + arguments + " >/dev/null 2>'" + err_.string() + "'";
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  int finish() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string err() const { return readFile(err_); }

 private:
  pid_t pid_ = -1;
  fs::path err_;
};

class ConcurrentWriters : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_writers_");
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "data", fs::copy_options::recursive);
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "parcels.qgs", dir / "parcels.qgs");
    ::setenv("CARROWIND_REGISTRY", (dir / "registry.db").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CARROWIND_REGISTRY");
    fs::remove_all(dir);
  }
  std::string quoted(const std::string& name) const { return "'" + (dir / name).string() + "'"; }
  json labels(const std::string& document, const std::string& layer) {
    const auto run = carrowind("legend " + quoted(document) + " --layer '" + layer + "' --json");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.exitCode == 0 ? json::parse(run.out)["labels"] : json();
  }
  // A map document of three layers over the sample parcels.
  void writeMapDocument(const std::string& name) {
    json layers = json::array();
    for (const std::string layer : {"One", "Two", "Three"})
      layers.push_back({{"name", layer},
                        {"type", "feature"},
                        {"source", {{"path", "data/landuse.shp"}}},
                        {"renderer", {{"type", "unique_values"},
                                      {"fields", {"USE"}},
                                      {"classes", {{{"values", {"Park"}}, {"label", "Park " + layer}},
                                                   {{"values", {"Vacant"}}, {"label", "Vacant " + layer}}}}}}});
    std::ofstream(dir / name) << json{{"format", "carrowind-map"}, {"version", 1}, {"layers", layers}}.dump(2);
  }
  // The project zipped as QGIS zips it: the .qgs inside a .qgz.
  void writeZippedProject(const std::string& name) {
    int error = 0;
    zip_t* archive = zip_open((dir / name).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    const std::string project = readFile(dir / "parcels.qgs");
    zip_source_t* source = zip_source_buffer(archive, project.data(), project.size(), 0);
    ASSERT_GE(zip_file_add(archive, "parcels.qgs", source, ZIP_FL_OVERWRITE), 0);
    ASSERT_EQ(zip_close(archive), 0);
  }

  // Rounds of one apply per layer at once: each that exits 0 shows.
  void applyToEveryLayerAtOnce(const std::string& document, const std::vector<std::string>& layers) {
    std::vector<json> before;
    for (const auto& layer : layers) before.push_back(labels(document, layer));
    for (int round = 0; round < 6; ++round) {
      std::vector<Running> jobs;
      for (std::size_t i = 0; i < layers.size(); ++i)
        jobs.emplace_back("apply " + quoted(document) + " --layer '" + layers[i] + "' --expr '[USE].Count r" +
                              std::to_string(round) + "'",
                          dir, static_cast<int>(i));
      for (std::size_t i = 0; i < layers.size(); ++i) {
        const int exit = jobs[i].finish();
        ASSERT_EQ(exit, 0) << layers[i] << ": " << jobs[i].err();
        const auto now = labels(document, layers[i]);
        bool tagged = false;
        for (const auto& label : now) tagged = tagged || label.get<std::string>().find(" r" + std::to_string(round)) != std::string::npos;
        EXPECT_TRUE(tagged) << document << ", round " << round << ": the labels of " << layers[i] << " were lost: " << now;
      }
    }
    // the labels kept for reset are the true originals
    for (std::size_t i = 0; i < layers.size(); ++i) {
      const auto run = carrowind("reset " + quoted(document) + " --layer '" + layers[i] + "'");
      ASSERT_EQ(run.exitCode, 0) << run.err;
      EXPECT_EQ(labels(document, layers[i]), before[i]) << layers[i];
    }
  }

  // Rounds of an apply and a reset of one layer at once: whichever comes
  // last, a reset afterwards gives the true originals back.
  void applyAndResetAtOnce(const std::string& document, const std::string& layer) {
    const json original = labels(document, layer);
    const std::string bytes = readFile(dir / document);
    for (int round = 0; round < 6; ++round) {
      Running apply("apply " + quoted(document) + " --layer '" + layer + "' --expr '[USE].Count t" +
                        std::to_string(round) + "'",
                    dir, 0);
      Running reset("reset " + quoted(document) + " --layer '" + layer + "'", dir, 1);
      EXPECT_EQ(apply.finish(), 0) << apply.err();
      const int resetExit = reset.finish();
      // a reset that came first finds nothing to reset, and says so
      EXPECT_TRUE(resetExit == 0 || reset.err().find("holds no labels to reset") != std::string::npos) << reset.err();
      const auto now = labels(document, layer);
      if (now != original) {
        const auto run = carrowind("reset " + quoted(document) + " --layer '" + layer + "'");
        ASSERT_EQ(run.exitCode, 0) << round << ": the applied labels " << now << " have none kept to reset to: " << run.err;
      }
      EXPECT_EQ(labels(document, layer), original) << round;
    }
    // a project is then the one QGIS wrote, byte for byte
    if (fs::path(document).extension() == ".qgs") {
      EXPECT_EQ(readFile(dir / document), bytes);
    }
  }

  fs::path dir;
};

TEST_F(ConcurrentWriters, AMapDocumentKeepsEveryCommandsWork) {
  writeMapDocument("map.cwmap");
  applyToEveryLayerAtOnce("map.cwmap", {"One", "Two", "Three"});
  applyAndResetAtOnce("map.cwmap", "Two");
}

TEST_F(ConcurrentWriters, AProjectKeepsEveryCommandsWorkAndItsKeptLabels) {
  applyToEveryLayerAtOnce("parcels.qgs", {"Parcels", "North parcels"});
  applyAndResetAtOnce("parcels.qgs", "Parcels");
  EXPECT_FALSE(fs::exists(dir / "parcels.qgs.carrowind.json"));
}

TEST_F(ConcurrentWriters, AZippedProjectKeepsEveryCommandsWork) {
  writeZippedProject("parcels.qgz");
  applyToEveryLayerAtOnce("parcels.qgz", {"Parcels", "North parcels"});
  applyAndResetAtOnce("parcels.qgz", "Parcels");
}

TEST_F(ConcurrentWriters, QuickPicksSavedAtOnceAreAllKept) {
  ASSERT_EQ(carrowind("install --prefix '" + std::string(CW_BINARY_DIR) + "'").exitCode, 0);
  for (int round = 0; round < 4; ++round) {
    std::vector<Running> jobs;
    for (int i = 0; i < 3; ++i)
      jobs.emplace_back("quickpicks save pick" + std::to_string(round) + "_" + std::to_string(i) + " --expr '[USE].First'",
                        dir, i);
    for (auto& job : jobs) EXPECT_EQ(job.finish(), 0) << job.err();
  }
  const auto list = carrowind("quickpicks list");
  for (int round = 0; round < 4; ++round)
    for (int i = 0; i < 3; ++i)
      EXPECT_NE(list.out.find("pick" + std::to_string(round) + "_" + std::to_string(i)), std::string::npos) << list.out;
}

TEST_F(ConcurrentWriters, ACommandThatCannotWaitSaysSoAndWritesNothing) {
  writeMapDocument("map.cwmap");
  const std::string before = readFile(dir / "map.cwmap");
  // another writer holds the document
  const int fd = ::open((dir / "map.cwmap").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  ::setenv("CARROWIND_LOCK_WAIT", "0.3", 1);
  const auto run = carrowind("apply " + quoted("map.cwmap") + " --layer One --expr '[USE].Count' --json");
  ::unsetenv("CARROWIND_LOCK_WAIT");
  ::close(fd);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("is being written by another command; nothing was written"), std::string::npos) << run.err;
  EXPECT_EQ(readFile(dir / "map.cwmap"), before);
  // once it is let go, the command goes through
  EXPECT_EQ(carrowind("apply " + quoted("map.cwmap") + " --layer One --expr '[USE].Count'").exitCode, 0);
}

}  // namespace
