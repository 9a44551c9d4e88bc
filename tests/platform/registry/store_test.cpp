// The store under stress: transactions, several processes writing at once, a
// writer killed half-way, and files that are not a store.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/registry/transaction.h"
#include "store_fixture.h"

namespace registry::testing {
namespace {

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

DWORD readCounter(const std::string& name) {
  auto v = getValue(HKEY_CURRENT_USER, "Counters", name);
  if (!v || v->data.size() != 4) return 0;
  DWORD n = 0;
  for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v->data[static_cast<std::size_t>(i)]);
  return n;
}

std::string dword(DWORD n) {
  std::string d(4, '\0');
  for (int i = 0; i < 4; ++i) d[static_cast<std::size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xff);
  return d;
}

// Forks a child that runs body and exits with its result (0 for success).
pid_t spawn(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) _exit(body());
  return pid;
}

int waitFor(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using Store = StoreTest;

TEST_F(Store, TransactionsCommitOrLeaveNoTrace) {
  {
    Transaction t;
    ASSERT_EQ(t.status(), ERROR_SUCCESS);
    ASSERT_EQ(setText(HKEY_CURRENT_USER, "T", "a", "1"), ERROR_SUCCESS);
    ASSERT_EQ(setText(HKEY_CURRENT_USER, "T\\Sub", "b", "2"), ERROR_SUCCESS);
    // left without commit
  }
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "T"));
  {
    Transaction t;
    ASSERT_EQ(setText(HKEY_CURRENT_USER, "T", "a", "1"), ERROR_SUCCESS);
    // A failing call inside leaves the rest of the transaction standing.
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "T\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(t.commit(), ERROR_SUCCESS);
    EXPECT_EQ(t.commit(), ERROR_TRANSACTION_ALREADY_ABORTED);
  }
  EXPECT_TRUE(getValue(HKEY_CURRENT_USER, "T", "a"));
}

TEST_F(Store, AnInnerRollbackTakesTheOuterTransactionWithIt) {
  Transaction outer;
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "T", "outer", "1"), ERROR_SUCCESS);
  {
    Transaction inner;
    ASSERT_EQ(setText(HKEY_CURRENT_USER, "T", "inner", "1"), ERROR_SUCCESS);
    inner.rollback();
  }
  // Calls after it are refused rather than half-applied.
  EXPECT_EQ(setText(HKEY_CURRENT_USER, "T", "after", "1"), ERROR_TRANSACTION_ALREADY_ABORTED);
  EXPECT_EQ(outer.commit(), ERROR_TRANSACTION_ALREADY_ABORTED);
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "T"));
  // and the store goes on working
  EXPECT_EQ(setText(HKEY_CURRENT_USER, "T", "later", "1"), ERROR_SUCCESS);
}

// Each process adds to a counter many times in a read-modify-write; with
// the write lock taken at the transaction's start no increment is lost.
TEST_F(Store, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kRounds = 60;
  auto writer = [&](const std::string& own) {
    return [own] {
      for (int i = 0; i < kRounds; ++i) {
        Transaction t;
        if (t.status() != ERROR_SUCCESS) return 10;
        const DWORD shared = readCounter("shared");
        if (setValue(HKEY_CURRENT_USER, "Counters", "shared", REG_DWORD, dword(shared + 1)) != ERROR_SUCCESS) return 11;
        if (setText(HKEY_CURRENT_USER, "Counters\\" + own, "item" + std::to_string(i), own) != ERROR_SUCCESS) return 12;
        if (t.commit() != ERROR_SUCCESS) return 13;
      }
      return 0;
    };
  };
  // Both start on a store that does not exist yet.
  const pid_t a = spawn(writer("a"));
  const pid_t b = spawn(writer("b"));
  EXPECT_EQ(waitFor(a), 0);
  EXPECT_EQ(waitFor(b), 0);
  EXPECT_EQ(readCounter("shared"), 2u * kRounds);
  for (const char* own : {"a", "b"}) {
    EXPECT_TRUE(getValue(HKEY_CURRENT_USER, std::string("Counters\\") + own, "item0"));
    EXPECT_TRUE(getValue(HKEY_CURRENT_USER, std::string("Counters\\") + own, "item" + std::to_string(kRounds - 1)));
  }
}

TEST_F(Store, AProcessKilledMidTransactionLosesOnlyItsOpenChange) {
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind\\QuickPicks", "QuickPickList", "A,B"),
            ERROR_SUCCESS);
  setStorePath(file);  // closes it: a child must not start from its parent's open connection
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = spawn([&] {
    // A committed change, then one left open when the kill comes.
    if (setText(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind", "Wrap Labels", "TRUE") != ERROR_SUCCESS) return 1;
    Transaction t;
    setText(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind\\QuickPicks", "QuickPickList", "A,B,C");
    setText(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind\\QuickPicks", "C", "[X].First");
    const char go = 'x';
    if (::write(ready[1], &go, 1) != 1) return 2;
    ::pause();
    return 3;
  });
  char got = 0;
  ASSERT_EQ(::read(ready[0], &got, 1), 1);
  ::kill(child, SIGKILL);
  EXPECT_EQ(waitFor(child), -1);
  ::close(ready[0]);
  ::close(ready[1]);

  EXPECT_EQ(getValue(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind\\QuickPicks", "QuickPickList"),
            (StoredValue{REG_SZ, std::string("A,B\0", 4)}));
  EXPECT_FALSE(getValue(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind\\QuickPicks", "C"));
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind", "Wrap Labels"),
            (StoredValue{REG_SZ, std::string("TRUE\0", 5)}));
  // The dead writer's lock is gone.
  EXPECT_EQ(setText(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind", "Wrap Length", "50"), ERROR_SUCCESS);
}

TEST_F(Store, AFileThatIsNotAStoreIsReportedAndLeftAlone) {
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> make;
  };
  const Case cases[] = {
      {"garbage", [](const std::filesystem::path& p) { std::ofstream(p, std::ios::binary) << std::string(4096, 'Z'); }},
      {"truncated store",
       [this](const std::filesystem::path& p) {
         setStorePath(dir / "good.db");
         setText(HKEY_CURRENT_USER, "Software", "v", "1");
         setStorePath(dir / "elsewhere.db");
         std::string bytes = fileBytes(dir / "good.db");
         bytes[100] ^= 0x55;  // the header's later fields: page counts no longer add up
         bytes.resize(bytes.size() / 2 + 7);
         std::ofstream(p, std::ios::binary) << bytes;
       }},
      {"another program's database",
       [](const std::filesystem::path& p) {
         sqlite3* db = nullptr;
         sqlite3_open(p.c_str(), &db);
         sqlite3_exec(db, "CREATE TABLE notes(t TEXT); INSERT INTO notes VALUES('mine')", nullptr, nullptr, nullptr);
         sqlite3_close(db);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto bad = dir / (std::string(c.what) + ".db");
    c.make(bad);
    const std::string before = fileBytes(bad);
    setStorePath(bad);
    HKEY key{};
    const LONG open = RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Quorvex", &key);
    EXPECT_EQ(open, ERROR_BADDB);
    EXPECT_EQ(setText(HKEY_CURRENT_USER, "Software", "x", "1"), ERROR_BADDB);
    EXPECT_NE(storeError().find(bad.string()), std::string::npos) << storeError();
    EXPECT_NE(storeError().find("left as it is"), std::string::npos) << storeError();
    {
      Transaction t;
      EXPECT_EQ(t.status(), ERROR_BADDB);
      EXPECT_EQ(setText(HKEY_CURRENT_USER, "Software", "x", "1"), ERROR_BADDB);
    }
    EXPECT_EQ(fileBytes(bad), before);
    EXPECT_FALSE(std::filesystem::exists(bad.string() + "-wal"));
  }
  // A store that cannot be opened at all.
  setStorePath(dir);
  HKEY key{};
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_CANTOPEN);
  EXPECT_NE(storeError().find("cannot open"), std::string::npos) << storeError();
  // Pointing back at a good store clears the complaint.
  setStorePath(file);
  EXPECT_EQ(setText(HKEY_CURRENT_USER, "Software", "x", "1"), ERROR_SUCCESS);
  EXPECT_EQ(storeError(), "");
}

TEST(StoreLocation, FollowsTheEnvironment) {
  setStorePath({});
  struct Env {
    const char* name;
    std::optional<std::string> saved;
  } vars[] = {{"CARROWIND_REGISTRY", {}}, {"XDG_CONFIG_HOME", {}}, {"HOME", {}}};
  for (auto& v : vars)
    if (const char* s = std::getenv(v.name)) v.saved = s;

  ::unsetenv("CARROWIND_REGISTRY");
  ::setenv("HOME", "/home/someone", 1);
  ::setenv("XDG_CONFIG_HOME", "/tmp/config", 1);
  EXPECT_EQ(storePath(), "/tmp/config/quorvex/registry.db");
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored
  EXPECT_EQ(storePath(), "/home/someone/.config/quorvex/registry.db");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(storePath(), "/home/someone/.config/quorvex/registry.db");
  ::setenv("CARROWIND_REGISTRY", "/tmp/elsewhere.db", 1);
  EXPECT_EQ(storePath(), "/tmp/elsewhere.db");
  setStorePath("/tmp/override.db");
  EXPECT_EQ(storePath(), "/tmp/override.db");
  setStorePath({});

  for (auto& v : vars) {
    if (v.saved) ::setenv(v.name, v.saved->c_str(), 1);
    else ::unsetenv(v.name);
  }
}

}  // namespace
}  // namespace registry::testing
