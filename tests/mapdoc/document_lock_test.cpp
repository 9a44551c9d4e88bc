// One writer at a time: the lock a command holds on a document from reading
// it to writing it, its bounded wait, a waiter that ends up with the file
// the other wrote, and the changed-on-disk check for editors that take no
// lock.
#include "mapdoc/document_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "mapdoc/atomic_file.h"
#include "mapdoc/document.h"
#include "tests/common/file_bytes.h"
#include "tests/common/scratch_dir.h"

namespace mapdoc {
namespace {

namespace fs = std::filesystem;

using test_support::readFile;

class DocumentLocks : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_lock_");
    file = dir / "doc.cwmap";
    std::ofstream(file) << "first";
  }
  void TearDown() override {
    ::unsetenv("CARROWIND_LOCK_WAIT");
    fs::remove_all(dir);
  }
  // A child process that holds the lock for a while, then writes
  // `replacement` in the atomic way (when given) and ends.
  pid_t holdInChild(std::chrono::milliseconds hold, const std::string& replacement = {}) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      {
        auto lock = DocumentLock::acquire(file);
        char c = 1;
        (void)!::write(ready[1], &c, 1);
        std::this_thread::sleep_for(hold);
        if (!replacement.empty()) writeFileAtomically(file, replacement);
      }
      ::_exit(0);
    }
    char c = 0;
    (void)!::read(ready[0], &c, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    return pid;
  }
  static void reap(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  fs::path dir, file;
};

TEST_F(DocumentLocks, ACommandHoldingTheLockTakesItAgainWhenItSaves) {
  auto outer = DocumentLock::acquire(file);
  ::setenv("CARROWIND_LOCK_WAIT", "0", 1);
  EXPECT_NO_THROW(DocumentLock::acquire(file));
}

TEST_F(DocumentLocks, AnotherWriterIsWaitedForAWhileThenSaidSo) {
  const pid_t pid = holdInChild(std::chrono::milliseconds(1500));
  ::setenv("CARROWIND_LOCK_WAIT", "0.2", 1);
  const auto start = std::chrono::steady_clock::now();
  try {
    DocumentLock::acquire(file);
    ADD_FAILURE() << "locked while another held it";
  } catch (const DocumentLocked& e) {
    EXPECT_NE(std::string(e.what()).find("being written by another command"), std::string::npos) << e.what();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
  reap(pid);
}

TEST_F(DocumentLocks, AWaiterEndsUpWithTheFileTheOtherWrote) {
  const pid_t pid = holdInChild(std::chrono::milliseconds(300), "second");
  auto lock = DocumentLock::acquire(file);  // waits for the child's rename
  EXPECT_EQ(readFile(file), "second");
  // and holds the new file: a third writer waits for it
  ::setenv("CARROWIND_LOCK_WAIT", "0.1", 1);
  const pid_t third = ::fork();
  if (third == 0) {
    try {
      DocumentLock::acquire(file);
      ::_exit(1);
    } catch (const DocumentLocked&) {
      ::_exit(0);
    }
  }
  int status = 0;
  ::waitpid(third, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a third writer got the lock too";
  reap(pid);
}

TEST_F(DocumentLocks, AFileNotThereYetIsLockedThroughItsFolder) {
  const fs::path fresh = dir / "new.cwmap";
  auto lock = DocumentLock::acquire(fresh);
  ::setenv("CARROWIND_LOCK_WAIT", "0.1", 1);
  const pid_t other = ::fork();
  if (other == 0) {
    try {
      DocumentLock::acquire(fresh);
      ::_exit(1);
    } catch (const DocumentLocked&) {
      ::_exit(0);
    }
  }
  int status = 0;
  ::waitpid(other, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(DocumentLocks, AMapDocumentChangedOnDiskSinceItWasReadIsNotWrittenOver) {
  const fs::path map = dir / "map.cwmap";
  std::ofstream(map) << R"({"format": "carrowind-map", "version": 1, "layers": []})";
  auto doc = MapDocument::open(map);
  const std::string edited = R"({"format": "carrowind-map", "version": 1, "layers": [], "note": "edited"})";
  std::ofstream(map) << edited;  // an editor that takes no lock
  try {
    doc->save();
    ADD_FAILURE() << "written over the other editor's work";
  } catch (const DocumentError& e) {
    EXPECT_NE(std::string(e.what()).find("changed on disk since it was read"), std::string::npos) << e.what();
  }
  EXPECT_EQ(readFile(map), edited);
  // saved elsewhere, or opened again, it is written
  EXPECT_NO_THROW(doc->saveAs(dir / "copy.cwmap"));
  auto again = MapDocument::open(map);
  EXPECT_NO_THROW(again->save());
  EXPECT_NO_THROW(again->save());  // its own write is what it read last
}

}  // namespace
}  // namespace mapdoc
