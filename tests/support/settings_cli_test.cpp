// The settings as a user reaches them from the command line: install and
// uninstall, quick picks, registry export and import, each command run as
// its own program against one store.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "engine/labeler.h"
#include "host/categories.h"
#include "hostui/class_ids.h"
#include "platform/com/error.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/component_categories.h"
#include "platform/registry/store.h"
#include "support/basRegistry.h"
#include "support/error_sink/error_sink.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
namespace reg = support::basRegistry;

struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
};

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class SettingsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_settings_cli_");
    store = dir / "registry.db";
    ::setenv("CARROWIND_REGISTRY", store.c_str(), 1);
    ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    registry::setStorePath(store);
  }
  void TearDown() override {
    registry::setStorePath({});
    ::unsetenv("CARROWIND_REGISTRY");
    fs::remove_all(dir);
  }
  // Starts the program; finish() waits for it.
  FILE* start(const std::string& arguments, const fs::path& err) const {
    const std::string command =
        std::string(CW_BINARY_DIR) + "/bin/carrowind " + arguments + " 2>'" + err.string() + "'";
    return ::popen(command.c_str(), "r");
  }
  static Outcome finish(FILE* pipe, const fs::path& err) {
    Outcome run{};
    std::array<char, 4096> buffer{};
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) run.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = readFile(err);
    return run;
  }
  Outcome carrowind(const std::string& arguments) const {
    const fs::path err = dir / "stderr.txt";
    return finish(start(arguments, err), err);
  }
  std::string path(const std::string& name) const { return "'" + (dir / name).string() + "'"; }
  static std::u16string stored(std::u16string_view key, std::u16string_view name) {
    return reg::SettingText(reg::ReadSetting(registry::HKEY_CURRENT_USER, key, name));
  }
  void installed() const { ASSERT_EQ(carrowind("install --prefix '" + std::string(CW_BINARY_DIR) + "'").exitCode, 0); }

  fs::path dir;
  fs::path store;
};

const std::u16string kProduct = u"Software\\Quorvex\\Carrowind";
const std::u16string kPicks = u"Software\\Quorvex\\Carrowind\\QuickPicks";

TEST_F(SettingsCli, InstallRegistersTheLibrariesAndTheProductKeyOnce) {
  auto run = carrowind("install --prefix '" + std::string(CW_BINARY_DIR) + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("libQVXErrorSink.so"), std::string::npos);
  EXPECT_EQ(stored(kProduct, u"Wrap Labels"), u"TRUE");
  EXPECT_EQ(stored(kProduct, u"Show Introduction Tab"), u"TRUE");
  EXPECT_EQ(stored(kProduct, u"Show Auto Refresh Message"), u"FALSE");
  EXPECT_EQ(stored(kProduct, u"Show Skipped Items Message"), u"FALSE");

  // Both classes are created through the registration alone.
  registry::useRegisteredServers();
  EXPECT_TRUE(registry::createByProgId<support::IErrorSink>(support::kErrorSinkProgId));
  EXPECT_TRUE(registry::createByProgId<engine::_QVXCarrowind>(engine::kProgID_QVXCarrowind));
  EXPECT_EQ(registry::registeredServer(engine::CLSID_QVXCarrowind),
            fs::canonical(fs::path(CW_BINARY_DIR) / "lib" / "libQVXCRW.so"));
  // The host finds the user-interface classes by category once their
  // library has registered them.
  const bool uiRegistered = registry::registeredServer(hostui::CLSID_clsQVXCWCommand).has_value();
  for (const auto& [catid, clsid] : {std::pair{host::CATID_MxCommands, hostui::CLSID_clsQVXCWCommand},
                                     std::pair{host::CATID_MxExtensions, hostui::CLSID_clsExtension},
                                     std::pair{host::CATID_MxCommandBars, hostui::CLSID_clsMainToolBar}}) {
    const auto listed = registry::classesInCategory(catid);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), clsid), uiRegistered ? 1 : 0) << clsid.toString();
  }

  // A second install keeps what the user changed.
  reg::WriteSetting(registry::HKEY_CURRENT_USER, kProduct, u"Wrap Labels", u"FALSE");
  ASSERT_EQ(carrowind("install --prefix '" + std::string(CW_BINARY_DIR) + "'").exitCode, 0);
  EXPECT_EQ(stored(kProduct, u"Wrap Labels"), u"FALSE");

  ASSERT_EQ(carrowind("quickpicks save Acres --expr '[ACRES].Sum'").exitCode, 0);
  run = carrowind("uninstall --prefix '" + std::string(CW_BINARY_DIR) + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_FALSE(registry::registeredServer(engine::CLSID_QVXCarrowind));
  EXPECT_FALSE(registry::classFromProgId(support::kErrorSinkProgId));
  EXPECT_TRUE(registry::classesInCategory(host::CATID_MxCommands).empty());
  EXPECT_EQ(stored(kProduct, u"Wrap Labels"), u"FALSE");
  EXPECT_EQ(stored(kPicks, u"Acres"), u"[ACRES].Sum");

  EXPECT_EQ(carrowind("install --prefix " + path("empty")).exitCode, 2);
}

// Nothing registered yet: the first command that needs the registration
// makes it as "carrowind install" does, printing nothing of it, and keeps
// what the user changed since when it has to make it again.
TEST_F(SettingsCli, FirstUseRegistersQuietly) {
  auto run = carrowind("quickpicks save A --expr '[ACRES].Sum'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "saved quick pick A\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(stored(kProduct, u"Wrap Labels"), u"TRUE");
  EXPECT_EQ(stored(kProduct, u"Show Introduction Tab"), u"TRUE");
  EXPECT_EQ(registry::registeredServer(engine::CLSID_QVXCarrowind),
            fs::canonical(fs::path(CW_BINARY_DIR) / "lib" / "libQVXCRW.so"));
  EXPECT_TRUE(registry::classFromProgId(support::kErrorSinkProgId));

  reg::WriteSetting(registry::HKEY_CURRENT_USER, kProduct, u"Wrap Labels", u"FALSE");
  ASSERT_EQ(carrowind("uninstall").exitCode, 0);
  ASSERT_FALSE(registry::registeredServer(engine::CLSID_QVXCarrowind));
  // Labelling reaches the engine's error sink through the registration; the
  // run that makes it prints what any later run prints.
  const std::string apply =
      "apply '" CW_SOURCE_DIR "/examples/landuse.cwmap' --layer 'Land use' --expr '[ACRES].Sum' --dry-run";
  run = carrowind(apply);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(registry::registeredServer(engine::CLSID_QVXCarrowind));
  const auto again = carrowind(apply);
  EXPECT_EQ(run.out, again.out);
  EXPECT_EQ(run.err, again.err);
  EXPECT_TRUE(registry::classFromProgId(support::kErrorSinkProgId));
  EXPECT_EQ(stored(kProduct, u"Wrap Labels"), u"FALSE");
  EXPECT_EQ(stored(kPicks, u"A"), u"[ACRES].Sum");
}

TEST_F(SettingsCli, QuickPicksFollowTheDialogsRules) {
  auto run = carrowind("quickpicks show A");
  EXPECT_NE(run.err.find("Error attempting to find saved quick pick!  Please reinstall the Carrowind!"), std::string::npos);
  installed();

  std::ofstream(dir / "multi.exp", std::ios::binary) << "[USE].First\r\n- [ACRES].Sum\nac.\n";
  ASSERT_EQ(carrowind("quickpicks save '  Land use, acres ' --expr-file " + path("multi.exp")).exitCode, 0);
  ASSERT_EQ(carrowind("quickpicks save Half --expr 12.5").exitCode, 0);
  ASSERT_EQ(carrowind("quickpicks save Zeros --expr 007").exitCode, 0);
  ASSERT_EQ(carrowind("quickpicks save Seven --expr 7").exitCode, 0);

  run = carrowind("quickpicks list");
  EXPECT_EQ(run.out, "Land use  acres\nHalf\nZeros\nSeven\n");
  EXPECT_EQ(carrowind("quickpicks show 'LAND USE  ACRES'").out, "[USE].First - [ACRES].Sum ac.\n");
  // What was saved comes back as it was typed, number-like or not.
  EXPECT_EQ(carrowind("quickpicks show half").out, "12.5\n");
  EXPECT_EQ(carrowind("quickpicks show zeros").out, "007\n");
  EXPECT_EQ(carrowind("quickpicks show seven").out, "7\n");
  EXPECT_EQ(reg::ReadSetting(registry::HKEY_CURRENT_USER, kPicks, u"Seven").kind(), com::Variant::Kind::Int32);

  run = carrowind("quickpicks save HALF --expr '[X].First'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("This quick pick name already exists!"), std::string::npos);
  ASSERT_EQ(carrowind("quickpicks save HALF --expr '[X].First' --yes").exitCode, 0);
  EXPECT_EQ(stored(kPicks, u"QuickPickList"), u"Land use  acres,Half,Zeros,Seven");
  EXPECT_EQ(stored(kPicks, u"half"), u"[X].First");

  ASSERT_EQ(carrowind("quickpicks export " + path("picks.txt")).exitCode, 0);
  EXPECT_EQ(readFile(dir / "picks.txt"),
            "Land use  acres:\r\n[USE].First - [ACRES].Sum ac.\r\nHalf:\r\n[X].First\r\nZeros:\r\n007\r\nSeven:\r\n7\r\n");

  ASSERT_EQ(carrowind("quickpicks delete zeros").exitCode, 0);
  EXPECT_EQ(carrowind("quickpicks delete zeros").exitCode, 2);
  EXPECT_EQ(stored(kPicks, u"QuickPickList"), u"Land use  acres,Half,Seven");
  for (const char* name : {"'Land use  acres'", "Half", "Seven"}) ASSERT_EQ(carrowind(std::string("quickpicks delete ") + name).exitCode, 0);
  run = carrowind("quickpicks export " + path("none.txt"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("No quick picks to save!"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "none.txt"));

  // The name the list is kept under, in any letter case, names no pick:
  // saving it would overwrite the list.
  ASSERT_EQ(carrowind("quickpicks save Kept --expr '[A].Sum'").exitCode, 0);
  for (const char* name : {"QuickPickList", "quickpicklist", "' QUICKPICKLIST '"}) {
    run = carrowind(std::string("quickpicks save ") + name + " --expr '[B].Sum'");
    EXPECT_EQ(run.exitCode, 2) << name;
    EXPECT_NE(run.err.find("cannot name a quick pick"), std::string::npos) << run.err;
  }
  EXPECT_EQ(stored(kPicks, u"QuickPickList"), u"Kept");
  EXPECT_EQ(carrowind("quickpicks show kept").out, "[A].Sum\n");

  EXPECT_EQ(carrowind("quickpicks save '   ' --expr x").exitCode, 2);
  EXPECT_EQ(carrowind("quickpicks save N --expr '  '").exitCode, 2);
  EXPECT_EQ(carrowind("quickpicks save N").exitCode, 2);
}

TEST_F(SettingsCli, SavesRunningAtTheSameMomentAllLand) {
  installed();
  constexpr int kPrograms = 6;
  std::vector<std::pair<FILE*, fs::path>> running;
  for (int i = 0; i < kPrograms; ++i) {
    const fs::path err = dir / ("err" + std::to_string(i));
    running.emplace_back(start("quickpicks save P" + std::to_string(i) + " --expr '[F" + std::to_string(i) + "].Sum'", err),
                         err);
  }
  for (auto& [pipe, err] : running) EXPECT_EQ(finish(pipe, err).exitCode, 0);
  const std::u16string list = stored(kPicks, u"QuickPickList");
  for (int i = 0; i < kPrograms; ++i) {
    const std::string name = "P" + std::to_string(i);
    EXPECT_NE(list.find(std::u16string(name.begin(), name.end())), std::u16string::npos) << name;
  }
  EXPECT_EQ(std::count(list.begin(), list.end(), u','), kPrograms - 1);
}

TEST_F(SettingsCli, RegistryExportAndImportRoundTrip) {
  installed();
  ASSERT_EQ(carrowind("quickpicks save Acres --expr '[ACRES].Sum \"ac\" C:\\maps'").exitCode, 0);
  auto run = carrowind("registry export -o " + path("backup.reg"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string backup = readFile(dir / "backup.reg");
  EXPECT_EQ(backup.rfind("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind]\r\n", 0), 0u)
      << backup;
  EXPECT_EQ(carrowind("registry export").out, backup);

  // A fresh store, as on another machine.
  registry::setStorePath(dir / "elsewhere.db");
  ::setenv("CARROWIND_REGISTRY", (dir / "elsewhere.db").c_str(), 1);
  run = carrowind("registry import " + path("backup.reg"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(carrowind("quickpicks show acres").out, "[ACRES].Sum \"ac\" C:\\maps\n");
  EXPECT_EQ(carrowind("registry export").out, backup);

  std::ofstream(dir / "bad.reg") << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind]\r\n"
                                    "\"Wrap Labels\"=\"FALSE\"\r\n\"x\"=dword:xyz\r\n";
  run = carrowind("registry import " + path("bad.reg"));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("line 5"), std::string::npos) << run.err;
  EXPECT_EQ(stored(kProduct, u"Wrap Labels"), u"TRUE");

  EXPECT_EQ(carrowind("registry export HKCU\\\\Software\\\\Nothing").exitCode, 2);
  std::ofstream(dir / "broken.db") << "not a store";
  ::setenv("CARROWIND_REGISTRY", (dir / "broken.db").c_str(), 1);
  run = carrowind("quickpicks list");
  EXPECT_NE(run.err.find("broken.db is damaged or is not a settings store"), std::string::npos) << run.err;
  EXPECT_EQ(carrowind("registry export").exitCode, 1);
  EXPECT_EQ(readFile(dir / "broken.db"), "not a store");
}

// A store that cannot be used is never read as an empty one: listing,
// showing and exporting fail with the store's reason, and the file stays.
TEST_F(SettingsCli, AnUnusableStoreIsReportedNotTakenForEmpty) {
  const struct {
    const char* name;
    std::string contents;
    const char* reason;
  } stores[] = {{"broken.db", "not a store at all, but long enough to have a header of sorts", "is damaged"},
                {"empty.db", "", "is empty (0 bytes)"}};
  for (const auto& s : stores) {
    std::ofstream(dir / s.name, std::ios::binary) << s.contents;
    // long past the moment a creator could still be filling it
    fs::last_write_time(dir / s.name, fs::file_time_type::clock::now() - std::chrono::hours(1));
    ::setenv("CARROWIND_REGISTRY", (dir / s.name).c_str(), 1);
    for (const std::string& command : std::vector<std::string>{"quickpicks list", "quickpicks show A",
                                                               "quickpicks export " + path("out.txt"),
                                                               "quickpicks save A --expr x", "registry export"}) {
      const auto run = carrowind(command);
      EXPECT_EQ(run.exitCode, 1) << s.name << ": " << command;
      EXPECT_NE(run.err.find(s.reason), std::string::npos) << s.name << ": " << command << ": " << run.err;
      EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(readFile(dir / s.name), s.contents) << s.name;
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
  }
}

// A key nested deeper than a registry allows is refused on import, with
// the line; a store that already holds one (written before the limit)
// still exports, leaving the deep keys out with a note.
TEST_F(SettingsCli, DeepKeysNeitherImportNorBreakExport) {
  installed();
  std::string deep = "HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind";
  for (int i = 0; i < 20000; ++i) deep += "\\k";
  std::ofstream(dir / "deep.reg", std::ios::binary) << "Windows Registry Editor Version 5.00\r\n\r\n["
                                                     << deep << "]\r\n\"v\"=\"x\"\r\n";
  auto run = carrowind("registry import " + path("deep.reg"));
  EXPECT_EQ(run.exitCode, 2) << run.err;
  EXPECT_NE(run.err.find("line 3"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("levels deep"), std::string::npos) << run.err;
  EXPECT_LT(run.err.size(), 1000u);
  EXPECT_FALSE(reg::KeyExists(registry::HKEY_CURRENT_USER, u"Software\\Quorvex\\Carrowind\\k"));

  // As an older program could have written it: 5000 levels straight into the table.
  registry::setStorePath({});
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    std::string sql =
        "WITH RECURSIVE chain(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM chain WHERE n < 5000) "
        "INSERT INTO key(id, parent, name, fold, written) SELECT 1000000 + n, "
        "CASE n WHEN 1 THEN (SELECT id FROM key WHERE fold = 'carrowind') ELSE 1000000 + n - 1 END, 'k', 'k', 0 FROM chain";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  registry::setStorePath(store);
  run = carrowind("registry export -o " + path("after.reg"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("left out the keys below"), std::string::npos) << run.err.substr(0, 500);
  const std::string exported = readFile(dir / "after.reg");
  EXPECT_NE(exported.find("\"Wrap Labels\"=\"TRUE\""), std::string::npos);
  // What was exported imports again.
  ::setenv("CARROWIND_REGISTRY", (dir / "again.db").c_str(), 1);
  run = carrowind("registry import " + path("after.reg"));
  EXPECT_EQ(run.exitCode, 0) << run.err.substr(0, 500);
}

}  // namespace
