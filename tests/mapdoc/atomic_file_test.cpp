// Replacing users' files: through symbolic links, keeping the old file's
// permissions and owner, refusing what a rename would wreck, and clearing
// the temporaries of writers that died, never those of one still writing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "mapdoc/atomic_file.h"
#include "mapdoc/document.h"
#include "tests/common/scratch_dir.h"

namespace mapdoc {
namespace {

namespace fs = std::filesystem;

class AtomicFile : public ::testing::Test {
 protected:
  void SetUp() override { dir = test_support::scratchDir("cw_atomic_"); }
  void TearDown() override { fs::remove_all(dir); }
  fs::path write(const fs::path& name, const std::string& text) {
    fs::create_directories((dir / name).parent_path());
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::set<std::string> names(const fs::path& folder) const {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
    return out;
  }
  fs::path dir;
};

TEST_F(AtomicFile, WritesThroughAChainOfLinksKeepingLinksAndPermissions) {
  const auto real = write("real/doc.cwmap", "old");
  fs::permissions(real, fs::perms(0640));
  fs::create_directories(dir / "links");
  fs::create_symlink("../real/doc.cwmap", dir / "links" / "middle.cwmap");
  fs::create_symlink("middle.cwmap", dir / "links" / "doc.cwmap");

  EXPECT_EQ(writeTarget(dir / "links" / "doc.cwmap"), fs::canonical(real));
  EXPECT_EQ(realFolder(dir / "links" / "doc.cwmap"), fs::canonical(dir / "real"));
  writeFileAtomically(dir / "links" / "doc.cwmap", "new");

  EXPECT_TRUE(fs::is_symlink(dir / "links" / "doc.cwmap"));
  EXPECT_TRUE(fs::is_symlink(dir / "links" / "middle.cwmap"));
  EXPECT_EQ(read(real), "new");
  EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));
  // the temporary file went to the target's folder and left with the rename
  EXPECT_EQ(names(dir / "real"), std::set<std::string>{"doc.cwmap"});
  EXPECT_EQ(names(dir / "links"), (std::set<std::string>{"doc.cwmap", "middle.cwmap"}));
}

TEST_F(AtomicFile, BrokenLinksAndWhatIsNoRegularFileAreRefusedAndNothingIsWritten) {
  fs::create_symlink("missing/doc.cwmap", dir / "dangling.cwmap");
  try {
    writeFileAtomically(dir / "dangling.cwmap", "new");
    FAIL() << "a dangling link was written";
  } catch (const WriteRefused& e) {
    EXPECT_NE(std::string(e.what()).find("is a symbolic link to " + (dir / "missing/doc.cwmap").string() +
                                         ", which does not exist"),
              std::string::npos)
        << e.what();
  }
  fs::create_symlink("b.cwmap", dir / "a.cwmap");
  fs::create_symlink("a.cwmap", dir / "b.cwmap");
  EXPECT_THROW(writeFileAtomically(dir / "a.cwmap", "new"), WriteRefused);
  // renaming over a pipe (or a device) would put a plain file in its place
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  fs::create_symlink("pipe", dir / "to-pipe.cwmap");
  EXPECT_THROW(writeFileAtomically(dir / "to-pipe.cwmap", "new"), std::runtime_error);
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));

  EXPECT_TRUE(fs::is_symlink(dir / "dangling.cwmap"));
  EXPECT_TRUE(fs::is_symlink(dir / "a.cwmap"));
  EXPECT_TRUE(fs::is_symlink(dir / "to-pipe.cwmap"));
  EXPECT_EQ(names(dir), (std::set<std::string>{"a.cwmap", "b.cwmap", "dangling.cwmap", "pipe", "to-pipe.cwmap"}));
}

TEST_F(AtomicFile, WriteProtectionIsReadFromThePermissionBitsAndKeptWhenReplaced) {
  const auto file = write("doc.cwmap", "old");
  EXPECT_FALSE(isWriteProtected(file));
  EXPECT_FALSE(isWriteProtected(dir / "none.cwmap"));
  fs::permissions(file, fs::perms(0444));
  EXPECT_TRUE(isWriteProtected(file));  // for the superuser too, who could write it
  writeFileAtomically(file, "new");
  EXPECT_EQ(read(file), "new");
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0444));
}

TEST_F(AtomicFile, TheOwnerIsKeptWhenTheSuperuserReplacesAnothersFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "only the superuser may give a file away";
  const auto file = write("doc.cwmap", "old");
  ASSERT_EQ(::chown(file.c_str(), 4321, 4322), 0);
  writeFileAtomically(file, "new");
  struct stat st{};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
}

TEST_F(AtomicFile, TemporariesOfDeadWritersGoThoseOfLiveOnesStay) {
  const auto file = write("doc.cwmap", "old");
  const std::string dead = ".doc.cwmap.tmp.4242.0123456789abcdef";
  const std::string live = ".doc.cwmap.tmp.4243.fedcba9876543210";
  const std::string oldStyle = ".doc.cwmap.tmp1234567", oldStyleRecent = ".doc.cwmap.tmp7654321";
  const std::string others[] = {".other.cwmap.tmp.4242.0123456789abcdef", ".doc.cwmap.tmp.4242.notours",
                                ".doc.cwmap.tmp.x", "doc.cwmap.tmp.4242.0123456789abcdef"};
  for (const auto& name : {dead, live, oldStyle, oldStyleRecent}) write(name, "partial");
  for (const auto& name : others) write(name, "someone else's");
  fs::create_symlink("doc.cwmap", dir / ".doc.cwmap.tmp.4244.00000000000000aa");
  // an old-style one from before locks: removed only once it is old
  const struct timespec hoursAgo[2] = {{std::time(nullptr) - 7200, 0}, {std::time(nullptr) - 7200, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / oldStyle).c_str(), hoursAgo, 0), 0);
  // a writer still at work holds its temporary file locked
  const int held = ::open((dir / live).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

  writeFileAtomically(file, "new");
  ::close(held);

  std::set<std::string> expected{"doc.cwmap", live, oldStyleRecent, ".doc.cwmap.tmp.4244.00000000000000aa"};
  for (const auto& name : others) expected.insert(name);
  EXPECT_EQ(names(dir), expected);
  EXPECT_EQ(read(file), "new");
  // a failed write leaves nothing either
  failNextWriteAfter(1);
  EXPECT_THROW(writeFileAtomically(file, "newer"), std::runtime_error);
  expected.erase(live);  // released now
  EXPECT_EQ(names(dir), expected);
}

// A document opened through a link reads its data from the folder of the
// file linked to, as the file's own relative paths mean, and saves into it.
TEST_F(AtomicFile, ALinkedDocumentReadsAndSavesAsTheFileItLinksTo) {
  const fs::path examples = fs::path(CW_SOURCE_DIR) / "examples";
  const auto real = write("project/maps/landuse.cwmap", read(examples / "landuse.cwmap"));
  fs::create_directory_symlink(examples / "data", dir / "project" / "maps" / "data");
  fs::create_directories(dir / "desktop");
  fs::create_symlink("../project/maps/landuse.cwmap", dir / "desktop" / "landuse.cwmap");

  auto doc = MapDocument::open(dir / "desktop" / "landuse.cwmap");
  auto layer = doc->layers().front();
  ASSERT_TRUE(layer->Valid());
  auto classes = com::query<host::IUniqueValueRenderer>(com::query<host::IGeoFeatureLayer>(layer.get())->Renderer().get());
  classes->Label(classes->Value(0), u"Relabelled");
  doc->save();

  EXPECT_TRUE(fs::is_symlink(dir / "desktop" / "landuse.cwmap"));
  EXPECT_EQ(names(dir / "desktop"), std::set<std::string>{"landuse.cwmap"});
  const auto saved = Json::parse(read(real));
  EXPECT_EQ(saved["layers"][0]["renderer"]["classes"][0]["label"], "Relabelled");
  EXPECT_EQ(saved["layers"][0]["source"], Json::parse(read(examples / "landuse.cwmap"))["layers"][0]["source"]);
}

}  // namespace
}  // namespace mapdoc
