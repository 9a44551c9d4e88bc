#pragma once
// The map window on a copy of the sample maps. The component libraries of
// the build are registered once per test program by "carrowind install"
// into a scratch settings store; every test starts from a copy of that
// store, with message boxes and file dialogs answered by a script.
#include <gtest/gtest.h>

#include <QMenu>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apps/carrowind-map/ui/contents_tree.h"
#include "apps/carrowind-map/ui/map_window.h"
#include "mapdoc/document.h"
#include "platform/scripted_ui/scripted_ui.h"

namespace carrowind::map::testing {

namespace fs = std::filesystem;

inline const QString kCommandCaption = QStringLiteral("Carrowind Labels...");
inline constexpr char16_t kCommandProgId[] = u"QVXCRWUI.clsQVXCWCommand";

// Runs `inside` on the modal window that `trigger` opens, once it is up;
// `inside` must close it.
void whileModal(const std::function<void()>& trigger, const std::function<void(QWidget&)>& inside);

class MapWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  fs::path map(const std::string& file) const { return dir_ / "maps" / file; }
  // Opens a copy of a sample map; fails the test when it cannot.
  void open(const std::string& file);
  mapdoc::MapDocument& doc() const { return *window_->document().current(); }
  host::Ref<host::ILayer> layer(const std::u16string& name) const;

  // The layer's context menu as a right click in the table of contents
  // shows it.
  std::unique_ptr<QMenu> menuFor(const std::u16string& layerName);
  static std::vector<QAction*> commandActions(QMenu& menu);
  // How often the document's feature layer context menu bar holds the
  // labeling command.
  int commandsOnContextMenuBar() const;

  // The class rows of a layer in the table of contents, as shown.
  QStringList contentsRows(const std::u16string& layerName) const;
  // The labels of a layer's legend, in class order.
  std::vector<std::u16string> legendLabels(const std::u16string& layerName) const;

  // Rewrites text in a copied map document.
  void edit(const std::string& file, const std::string& from, const std::string& to) const;

  fs::path dir_;
  std::unique_ptr<platform::scripted_ui::ScriptedUi> ui_;
  std::unique_ptr<MapWindow> window_;
  int savePrompts_ = 0;
  MapWindow::SaveChoice saveChoice_ = MapWindow::SaveChoice::Cancel;

 private:
  static fs::path suiteDir_;
};

}  // namespace carrowind::map::testing
