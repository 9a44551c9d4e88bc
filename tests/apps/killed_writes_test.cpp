// Programs killed while they write the user's files: a map document, a
// zipped QGIS project and the settings store. Whenever the kill lands, the
// file is afterwards the old version or the new one and opens, and the next
// write that completes leaves nothing of the killed ones behind.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "tests/common/file_bytes.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Runs carrowind with args and SIGKILLs it after `after` unless it ended;
// true when it ended by itself, successfully.
bool runKilledAfter(const std::vector<std::string>& args, std::chrono::microseconds after) {
  const std::string program = std::string(CW_BINARY_DIR) + "/bin/carrowind";
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  const auto deadline = Clock::now() + after;
  int status = 0;
  while (Clock::now() < deadline) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::chrono::microseconds timed(const std::vector<std::string>& args) {
  const auto start = Clock::now();
  EXPECT_TRUE(runKilledAfter(args, std::chrono::minutes(2)));
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
}

// Files in dir that no program of ours should leave once a write is done.
std::vector<std::string> leftovers(const fs::path& dir) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".tmp") != std::string::npos) found.push_back(name);
  }
  return found;
}

class KilledWrites : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_killed_");
    ::setenv("CARROWIND_REGISTRY", (dir / "registry.db").c_str(), 1);
    seed = static_cast<unsigned>(std::random_device{}());
    random.seed(seed);
  }
  void TearDown() override {
    ::unsetenv("CARROWIND_REGISTRY");
    fs::remove_all(dir);
  }
  // A moment within a run as long as `typical`, a little past it now and then.
  std::chrono::microseconds someMoment(std::chrono::microseconds typical) {
    return std::chrono::microseconds(
        std::uniform_int_distribution<long long>(0, typical.count() * 11 / 10)(random));
  }
  std::string legend(const fs::path& file) const {
    const Result run = carrowind("legend '" + file.string() + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
  }
  // Applies two expressions by turns to `file`, killing each run at a random
  // moment; the legend must always be one of the three it can be.
  void killApplies(const fs::path& file, const std::string& layer, int kills) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::vector<std::string> applyA{"apply", file.string(), "--layer", layer, "--expr", "[ACRES].Count"};
    const std::vector<std::string> applyB{"apply", file.string(), "--layer", layer, "--expr", "[ACRES].Sum"};
    const std::set<std::string> versions = [&] {
      std::set<std::string> v{legend(file)};
      const fs::path copy = file.parent_path() / ("copy_" + file.filename().string());
      fs::copy_file(file, copy);
      auto onCopy = [&](std::vector<std::string> args) {
        args[1] = copy.string();
        return args;
      };
      timed(onCopy(applyA));
      v.insert(legend(copy));
      timed(onCopy(applyB));
      v.insert(legend(copy));
      for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().rfind("copy_", 0) == 0) fs::remove(entry.path());
      return v;
    }();
    ASSERT_EQ(versions.size(), 3u);
    const auto typical = timed(applyA);
    int landed = 0;
    for (int i = 0; i < kills; ++i) {
      landed += runKilledAfter(i % 2 ? applyB : applyA, someMoment(typical)) ? 1 : 0;
      ASSERT_EQ(versions.count(legend(file)), 1u) << "after kill " << i;
    }
    timed(applyA);
    EXPECT_EQ(versions.count(legend(file)), 1u);
    EXPECT_EQ(leftovers(file.parent_path()), std::vector<std::string>{});
    std::cout << kills << " kills, " << landed << " runs ended first (seed " << seed << ")\n";
  }

  fs::path dir;
  unsigned seed = 0;
  std::mt19937 random;
};

TEST_F(KilledWrites, AMapDocumentIsAlwaysTheOldOrTheNew) {
  fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "class_breaks.cwmap", dir / "map.cwmap");
  fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "data", fs::copy_options::recursive);
  killApplies(dir / "map.cwmap", "Parcel size", 30);
}

TEST_F(KilledWrites, AZippedQgisProjectIsAlwaysTheOldOrTheNew) {
  fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "parcels.qgs", dir / "parcels.qgs");
  fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "data", fs::copy_options::recursive);
  const std::string zip = "cd '" + dir.string() +
                          "' && python3 -c \"import zipfile; zipfile.ZipFile('parcels.qgz', 'w', "
                          "zipfile.ZIP_DEFLATED).write('parcels.qgs')\" && rm parcels.qgs";
  ASSERT_EQ(std::system(zip.c_str()), 0);
  killApplies(dir / "parcels.qgz", "Parcels", 30);
}

TEST_F(KilledWrites, TheSettingsStoreKeepsEverySaveThatEnded) {
  SCOPED_TRACE("seed " + std::to_string(seed));
  ASSERT_EQ(carrowind("install --prefix '" + std::string(CW_BINARY_DIR) + "'").exitCode, 0);
  const auto typical = timed({"quickpicks", "save", "first", "--expr", "[A].Sum"});
  std::set<std::string> ended{"first"};
  for (int i = 0; i < 30; ++i) {
    const std::string name = "p" + std::to_string(i);
    if (runKilledAfter({"quickpicks", "save", name, "--expr", "[" + name + "].Sum"}, someMoment(typical)))
      ended.insert(name);
    const Result list = carrowind("quickpicks list");
    ASSERT_EQ(list.exitCode, 0) << "after kill " << i << ": " << list.err;
    std::istringstream names(list.out);
    std::set<std::string> listed;
    for (std::string n; std::getline(names, n);) listed.insert(n);
    for (const auto& n : ended) EXPECT_EQ(listed.count(n), 1u) << n << " ended but is gone";
    // A listed pick always has its expression: the export gives every pick's
    // ("name:" then the expression) in one run, "show" the one just saved.
    const fs::path exported = dir / "picks.txt";
    ASSERT_EQ(carrowind("quickpicks export '" + exported.string() + "'").exitCode, 0);
    std::istringstream pairs(test_support::readFile(exported));
    std::set<std::string> exportedNames;
    for (std::string n, expression; std::getline(pairs, n) && std::getline(pairs, expression);) {
      ASSERT_TRUE(n.size() > 2 && n.ends_with(":\r")) << n;
      n.resize(n.size() - 2);
      exportedNames.insert(n);
      EXPECT_EQ(expression, (n == "first" ? "[A].Sum" : "[" + n + "].Sum") + std::string("\r")) << n;
    }
    EXPECT_EQ(exportedNames, listed);
    if (listed.count(name)) {
      EXPECT_EQ(carrowind("quickpicks show " + name).out, "[" + name + "].Sum\n");
    }
  }
  ASSERT_EQ(carrowind("quickpicks save last --expr '[Z].Sum'").exitCode, 0);
  EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
  EXPECT_EQ(carrowind("registry export").exitCode, 0);
}

}  // namespace
