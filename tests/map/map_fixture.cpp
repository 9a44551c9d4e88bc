#include "map_fixture.h"

#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "apps/carrowind-map/ui/contents_tree.h"
#include "mapdoc/data/open.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/store.h"
#include "platform/text/utf.h"
#include "tests/dialogs/offscreen_application.h"

namespace carrowind::map::testing {

fs::path MapWindowTest::suiteDir_;

void MapWindowTest::SetUpTestSuite() {
  ::setenv("LC_ALL", "C.UTF-8", 1);  // numbers as the C locale writes them, in every library
  dialogs_test::offscreenApplication();
  mapdoc::registerHostClasses();
  suiteDir_ = fs::temp_directory_path() / ("cw_map_" + std::to_string(::getpid()));
  fs::remove_all(suiteDir_);
  fs::create_directories(suiteDir_);
  const std::string command = "CARROWIND_REGISTRY='" + (suiteDir_ / "registry.db").string() + "' '" CW_BINARY_DIR
                              "/bin/carrowind' install --prefix '" CW_BINARY_DIR "' >'" +
                              (suiteDir_ / "install.log").string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "carrowind install failed; see " << suiteDir_ / "install.log";
  registry::useRegisteredServers();
}

void MapWindowTest::TearDownTestSuite() { fs::remove_all(suiteDir_); }

void MapWindowTest::SetUp() {
  dir_ = suiteDir_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::create_directories(dir_);
  fs::copy(fs::path(CW_SOURCE_DIR) / "examples", dir_ / "maps", fs::copy_options::recursive | fs::copy_options::skip_symlinks);
  // The store as install left it: the database and its write-ahead log.
  for (const char* file : {"registry.db", "registry.db-wal"})
    if (fs::exists(suiteDir_ / file)) fs::copy_file(suiteDir_ / file, dir_ / file);
  registry::setStorePath(dir_ / "registry.db");
  ::setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);  // the error sink's log
  ui_ = std::make_unique<platform::scripted_ui::ScriptedUi>();
  window_ = std::make_unique<MapWindow>();
  window_->setSavePrompt([this](const QString&) {
    ++savePrompts_;
    return saveChoice_;
  });
  window_->resize(1000, 700);
  window_->show();
}

void MapWindowTest::TearDown() {
  window_.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ui_.reset();
  registry::setStorePath({});
  fs::remove_all(dir_);
}

void MapWindowTest::open(const std::string& file) { ASSERT_TRUE(window_->openDocument(map(file))) << file; }

host::Ref<host::ILayer> MapWindowTest::layer(const std::u16string& name) const {
  auto l = doc().layer(name);
  EXPECT_TRUE(l) << text::toUtf8(name);
  return l;
}

std::unique_ptr<QMenu> MapWindowTest::menuFor(const std::u16string& layerName) {
  auto l = layer(layerName);
  if (!l) return nullptr;
  return window_->contextMenuFor(l.get());
}

std::vector<QAction*> MapWindowTest::commandActions(QMenu& menu) {
  std::vector<QAction*> out;
  for (auto* a : menu.actions())
    if (a->text() == kCommandCaption) out.push_back(a);
  return out;
}

int MapWindowTest::commandsOnContextMenuBar() const {
  auto bar = doc().commandBars()->bar(u"esriCore.FeatureLayerContextMenu");
  int n = 0;
  for (int i = 0; i < bar->Count(); ++i) n += bar->Item(i)->ID() == kCommandProgId;
  return n;
}

void whileModal(const std::function<void()>& trigger, const std::function<void(QWidget&)>& inside) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || seen) return;
    seen = true;
    poll.stop();
    inside(*modal);
  });
  poll.start();
  trigger();
  poll.stop();
  EXPECT_TRUE(seen) << "no modal window opened";
}

QStringList MapWindowTest::contentsRows(const std::u16string& layerName) const {
  QStringList out;
  auto* item = window_->contents()->itemOf(layer(layerName).get());
  if (!item) return out;
  for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
  return out;
}

std::vector<std::u16string> MapWindowTest::legendLabels(const std::u16string& layerName) const {
  auto renderer = com::query<host::IGeoFeatureLayer>(layer(layerName).get())->Renderer();
  std::vector<std::u16string> out;
  if (auto simple = renderer.as<host::ISimpleRenderer>()) return {simple->Label()};
  if (auto classes = renderer.as<host::IRendererClasses>())
    for (int i = 0; i < classes->ClassCount(); ++i) out.push_back(classes->Class(i));
  return out;
}

void MapWindowTest::edit(const std::string& file, const std::string& from, const std::string& to) const {
  std::ifstream in(map(file));
  std::stringstream s;
  s << in.rdbuf();
  std::string text = s.str();
  const auto at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  std::ofstream(map(file), std::ios::trunc) << text;
}

}  // namespace carrowind::map::testing
