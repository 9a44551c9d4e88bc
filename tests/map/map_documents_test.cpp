// Documents in the window: opening (and failing to), saving, the recent
// files, asking about unsaved changes, exporting the page, and the
// program's command line.
#include <sys/wait.h>

#include <QMenu>
#include <cstdio>
#include <fstream>

#include "apps/carrowind-map/ui/contents_tree.h"
#include "apps/carrowind-map/ui/recent_files.h"
#include "map_fixture.h"

namespace carrowind::map::testing {
namespace {

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(MapWindowTest, ADocumentThatCannotBeOpenedIsReportedAndTheCurrentOneStays) {
  open("landuse.cwmap");
  std::ofstream(map("broken.cwmap")) << "{\"format\": \"carrowind-map\", \"version\": 1, \"layers\": [{}]}";
  ui_->clearRecords();
  EXPECT_FALSE(window_->openDocument(map("broken.cwmap")));
  ASSERT_EQ(ui_->messages().size(), 1u);
  const auto& message = ui_->messages()[0].request;
  EXPECT_EQ(message.title, u"Opening a Map Document");
  EXPECT_NE(message.text.find(u"broken.cwmap"), std::u16string::npos);
  EXPECT_NE(message.text.find(u"layers[0]"), std::u16string::npos);  // says where
  EXPECT_EQ(doc().path(), map("landuse.cwmap"));
  EXPECT_FALSE(window_->openDocument(map("missing.cwmap")));
  EXPECT_EQ(doc().path(), map("landuse.cwmap"));
}

TEST_F(MapWindowTest, UnsavedChangesAreAskedAbout) {
  open("landuse.cwmap");
  const std::string original = readAll(map("landuse.cwmap"));
  window_->document().SetDirty();
  EXPECT_TRUE(window_->isWindowModified());

  saveChoice_ = MapWindow::SaveChoice::Cancel;
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(window_->isVisible());
  window_->newDocument();
  EXPECT_EQ(doc().path(), map("landuse.cwmap"));  // cancelled: still the same document
  EXPECT_EQ(savePrompts_, 2);

  // Saving writes the document (hiding a layer shows in the file).
  layer(u"Countries")->Visible(false);
  saveChoice_ = MapWindow::SaveChoice::Save;
  window_->newDocument();
  EXPECT_EQ(savePrompts_, 3);
  EXPECT_NE(readAll(map("landuse.cwmap")), original);
  EXPECT_NE(readAll(map("landuse.cwmap")).find("\"visible\": false"), std::string::npos);

  // A new document is saved through Save As.
  window_->document().SetDirty();
  ui_->answerFile(dir_ / "new map");
  EXPECT_TRUE(window_->save());
  EXPECT_TRUE(fs::exists(dir_ / "new map.cwmap"));
  EXPECT_FALSE(window_->document().untitled());

  // Opening the file of the changed document again, with Save, shows what
  // was saved rather than what was read before saving.
  open("landuse.cwmap");
  layer(u"Owners")->Visible(false);
  window_->document().SetDirty();
  open("landuse.cwmap");
  EXPECT_EQ(savePrompts_, 4);
  EXPECT_FALSE(layer(u"Owners")->Visible());

  window_->document().SetDirty();
  saveChoice_ = MapWindow::SaveChoice::Discard;
  EXPECT_TRUE(window_->close());
  EXPECT_EQ(savePrompts_, 5);
}

TEST_F(MapWindowTest, OpenedAndSavedDocumentsAreRecentFiles) {
  open("landuse.cwmap");
  open("simple.cwmap");
  ASSERT_TRUE(window_->saveAs(dir_ / "copy.cwmap"));
  const auto files = recentFiles();
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], dir_ / "copy.cwmap");
  EXPECT_EQ(files[1], map("simple.cwmap"));
  EXPECT_EQ(files[2], map("landuse.cwmap"));
  open("landuse.cwmap");
  EXPECT_EQ(recentFiles().front(), map("landuse.cwmap"));
  EXPECT_EQ(recentFiles().size(), 3u);

  // The menu opens them.
  auto* menu = window_->findChild<QMenu*>(QStringLiteral("MenuRecent"));
  ASSERT_TRUE(menu);
  emit menu->aboutToShow();
  ASSERT_EQ(menu->actions().size(), 3);
  menu->actions()[2]->trigger();
  EXPECT_EQ(doc().path(), map("simple.cwmap"));
}

TEST_F(MapWindowTest, ThePageIsExportedFromTheFileMenu) {
  open("landuse.cwmap");
  const struct {
    const char* action;
    const char* file;
    std::string signature;
  } cases[] = {{"ActionExportPng", "page.png", "\x89PNG"}, {"ActionExportPdf", "page.pdf", "%PDF"},
               {"ActionExportSvg", "page.svg", "<?xml"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ui_->answerFile(dir_ / c.file);
    window_->findChild<QAction*>(QLatin1String(c.action))->trigger();
    const std::string written = readAll(dir_ / c.file);
    ASSERT_GT(written.size(), 1000u);
    EXPECT_EQ(written.substr(0, c.signature.size()), c.signature);
  }
  EXPECT_EQ(ui_->fileDialogs().size(), 3u);
  EXPECT_EQ(ui_->fileDialogs()[0].request.defaultExtension, u"png");
  EXPECT_TRUE(ui_->messages().empty());
}

// The program's output and exit code, run without a display.
std::pair<std::string, int> runProgram(const std::string& arguments) {
  const std::string command =
      "env -u DISPLAY QT_QPA_PLATFORM=xcb '" CW_BINARY_DIR "/bin/carrowind-map' " + arguments + " 2>&1";
  std::FILE* out = ::popen(command.c_str(), "r");
  if (!out) return {"", -1};
  std::string text;
  char buffer[512];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, out)) text.append(buffer, n);
  const int status = ::pclose(out);
  return {text, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(MapProgram, HelpAndMistakesNeedNoDisplay) {
  const auto [help, helpCode] = runProgram("--help");
  EXPECT_EQ(helpCode, 0);
  EXPECT_NE(help.find("map document"), std::string::npos) << help;
  EXPECT_NE(help.find("Carrowind Labels..."), std::string::npos) << help;
  const auto [wrong, wrongCode] = runProgram("--no-such-option map.cwmap");
  EXPECT_EQ(wrongCode, 2);
  EXPECT_NE(wrong.find("--no-such-option"), std::string::npos) << wrong;
}

}  // namespace
}  // namespace carrowind::map::testing
