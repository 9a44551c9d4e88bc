// The extension, toolbar and command as the host meets them: created by
// class identifier from the library's own registration, started with a
// map document's application, clicked on the sample maps' layers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>

#include "dialogs/FrmCarrowind.h"
#include "engine/labeler.h"
#include "host/classes.h"
#include "host/extension.h"
#include "hostui/class_ids.h"
#include "hostui/clsQVXCWCommand.h"
#include "mapdoc/data/open.h"
#include "mapdoc/document.h"
#include "platform/com/library_loader.h"
#include "platform/com/object.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/store.h"
#include "platform/text/utf.h"
#include "tests/common/scratch_dir.h"

extern "C" com::HRESULT DllRegisterServer();
extern "C" com::HRESULT DllUnregisterServer();
extern "C" com::HRESULT DllCanUnloadNow();

namespace {

namespace fs = std::filesystem;
using host::Text;

QApplication& application() {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("LC_ALL", "C.UTF-8", 1);
  static int argc = 1;
  static char name[] = "hostui_test";
  static char* argv[] = {name, nullptr};
  static auto* app = new QApplication(argc, argv);
  return *app;
}

class HostUi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    application();
    mapdoc::registerHostClasses();
  }
  void SetUp() override {
    dir = test_support::scratchDir("cw_hostui_");
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples", dir / "maps", fs::copy_options::recursive);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    registry::setStorePath(dir / "registry.db");
    ASSERT_EQ(DllRegisterServer(), com::S_OK);
    ASSERT_EQ(registry::registerServer(fs::path(CW_BINARY_DIR) / "lib" / "libQVXCRW.so",
                                       {{engine::CLSID_QVXCarrowind, engine::kProgID_QVXCarrowind, "labeler"}}),
              0);
    registry::useRegisteredServers();
  }
  void TearDown() override {
    com::setServerLocator({});
    registry::setStorePath({});
    fs::remove_all(dir);
  }

  host::Ref<mapdoc::MapDocument> open(const std::string& file, const std::string& layer = {}) {
    auto doc = mapdoc::MapDocument::open(dir / "maps" / file);
    auto selected = layer.empty() ? doc->layers().front() : doc->layer(text::fromUtf8(layer));
    doc->contentsView()->SelectedItem(host::Value(selected));
    return doc;
  }

  template <class T>
  static host::Ref<T> create(const char* progId) {
    return registry::createByProgId<T>(progId);
  }

  fs::path dir;
};

int contextMenuCount(mapdoc::MapDocument& doc, const Text& id) {
  auto uid = com::create<host::IUID>(host::CLSID_UID);
  uid->Value(u"esriCore.FeatureLayerContextMenu");
  auto menu = doc.CommandBars()->Find(uid.get(), false, false).as<host::ICommandBar>();
  int n = 0;
  for (int i = 0; i < menu->Count(); ++i) n += menu->Item(i)->ID() == id;
  return n;
}

TEST_F(HostUi, TheToolbarHoldsTheCommandOnly) {
  auto toolbar = create<host::IToolBarDef>("QVXCRWUI.clsMainToolBar");
  ASSERT_TRUE(toolbar);
  EXPECT_EQ(toolbar->ItemCount(), 1);
  EXPECT_EQ(toolbar->Name(), u"Carrowind Labels");
  EXPECT_EQ(toolbar->Caption(), u"Carrowind Labels (Quorvex)");
  auto item = com::make<mapdoc::ItemDef>();
  toolbar->GetItemInfo(0, item.get());
  EXPECT_EQ(item->ID(), u"QVXCRWUI.clsQVXCWCommand");
  for (int pos : {1, 2, -1}) {
    auto untouched = com::make<mapdoc::ItemDef>();
    untouched->ID(u"before");
    toolbar->GetItemInfo(pos, untouched.get());
    EXPECT_EQ(untouched->ID(), u"before") << pos;
  }
}

TEST_F(HostUi, EveryNewOrOpenedDocumentGetsTheCommandOnItsContextMenu) {
  auto doc = open("landuse.cwmap");
  auto app = doc->application();
  auto extension = create<host::IExtension>("QVXCRWUI.clsExtension");
  ASSERT_TRUE(extension);
  EXPECT_EQ(extension->Name(), u"QVXCRWUI");
  host::Value init(app);
  extension->Startup(init);
  EXPECT_EQ(contextMenuCount(*doc, u"QVXCRWUI.clsQVXCWCommand"), 0);
  doc->fireOpenDocument();
  EXPECT_EQ(contextMenuCount(*doc, u"QVXCRWUI.clsQVXCWCommand"), 1);
  doc->fireNewDocument();
  EXPECT_EQ(contextMenuCount(*doc, u"QVXCRWUI.clsQVXCWCommand"), 2);  // no test for one already there
  extension->Shutdown();
  doc->fireOpenDocument();
  EXPECT_EQ(contextMenuCount(*doc, u"QVXCRWUI.clsQVXCWCommand"), 2);

  host::Value notAnApplication(std::u16string(u"x"));
  EXPECT_THROW(extension->Startup(notAnApplication), com::Error);
}

TEST_F(HostUi, TheCommandIsEnabledForTheRenderersTheEngineLabels) {
  auto command = create<host::ICommand>("QVXCRWUI.clsQVXCWCommand");
  ASSERT_TRUE(command);
  EXPECT_FALSE(command->Enabled());  // before OnCreate there is no document
  for (const auto& [file, layer, enabled] :
       std::vector<std::tuple<std::string, std::string, bool>>{{"simple.cwmap", "", true},
                                                               {"unique_values.cwmap", "", true},
                                                               {"class_breaks.cwmap", "", true},
                                                               {"bivariate_unique.cwmap", "", true},
                                                               {"unsupported.cwmap", "", false},
                                                               {"raster.cwmap", "Elevation", false}}) {
    SCOPED_TRACE(file);
    auto doc = open(file, layer);
    command->OnCreate(doc->application().get());
    EXPECT_EQ(command->Enabled(), enabled);
    doc->contentsView()->SelectedItem(host::Value{});
    EXPECT_FALSE(command->Enabled());
  }
  EXPECT_FALSE(command->Checked());
  EXPECT_EQ(command->Name(), u"Quorvex_CarrowindCommand");
  EXPECT_EQ(command->Caption(), u"Carrowind Labels...");
  EXPECT_EQ(command->Tooltip(), u"Carrowind Labels");
  EXPECT_EQ(command->Category(), u"Quorvex Tools");
  EXPECT_EQ(command->HelpFile(), u"CarrowindLabelToolDialogHelp.hlp");
  EXPECT_EQ(command->HelpContextID(), 101);
  EXPECT_NE(command->Message().find(u"Allows legend symbol labels"), Text::npos);
  const std::intptr_t bitmap = command->Bitmap();
  ASSERT_NE(bitmap, 0);
  EXPECT_EQ(reinterpret_cast<const QPixmap*>(bitmap)->width(), 16);
  EXPECT_EQ(command->Bitmap(), bitmap);  // one picture, made once
}

// What the dialog shows when the command opens it, read while it is open.
struct Opened {
  QStringList fields;
  int currentRow = -1;
  bool all = false, definition = false, definitionEnabled = false, selectionEnabled = false;
  QString expression;
};

Opened clickOn(host::ICommand* command) {
  Opened seen;
  QTimer::singleShot(0, [&seen] {
    for (auto* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<dialogs::FrmCarrowind*>(w);
      if (!dialog || !dialog->isVisible()) continue;
      for (int i = 0; i < dialog->LstLabelFields()->count(); ++i) seen.fields << dialog->LstLabelFields()->item(i)->text();
      seen.currentRow = dialog->LstLabelFields()->currentRow();
      seen.all = dialog->OptApplyAll()->isChecked();
      seen.definition = dialog->OptApplyDefinitionQuery()->isChecked();
      seen.definitionEnabled = dialog->OptApplyDefinitionQuery()->isEnabled();
      seen.selectionEnabled = dialog->OptApplySelection()->isEnabled();
      seen.expression = dialog->TxtExpression()->toPlainText();
      dialog->reject();
    }
  });
  command->OnClick();
  return seen;
}

TEST_F(HostUi, AClickPreparesTheDialogForTheSelectedLayer) {
  auto command = create<host::ICommand>("QVXCRWUI.clsQVXCWCommand");
  auto doc = open("landuse.cwmap");
  command->OnCreate(doc->application().get());
  Opened seen = clickOn(command.get());
  EXPECT_EQ(seen.fields, (QStringList{"$$LABEL", "$$VALUE", "FID", "USE", "DESCRIPT", "ACRES", "SURVEYED", "FLOORS",
                                      "OWNER_ID", "DISTRICT"}));
  EXPECT_EQ(seen.currentRow, 0);
  EXPECT_TRUE(seen.all);
  EXPECT_FALSE(seen.definitionEnabled);
  EXPECT_TRUE(seen.selectionEnabled);  // the sample has selected parcels
  EXPECT_TRUE(seen.expression.isEmpty());

  auto north = open("definition_query.cwmap");
  command->OnCreate(north->application().get());
  seen = clickOn(command.get());
  EXPECT_TRUE(seen.definition);
  EXPECT_TRUE(seen.definitionEnabled);
  EXPECT_FALSE(seen.selectionEnabled);

  auto joined = open("join.cwmap");
  command->OnCreate(joined->application().get());
  seen = clickOn(command.get());
  EXPECT_TRUE(seen.fields.contains("owners.ONAME"));
  EXPECT_TRUE(seen.fields.contains("landuse.Shape"));  // only "Shape" itself is left out
}

TEST(LabelFields, LeaveOutOnlyAFieldNamedExactlyShape) {
  const fs::path dir = fs::temp_directory_path() / ("cw_hostui_fields_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "t.csv") << "SHAPE,NAME,Shape2\n1,a,x\n";
  auto table = mapdoc::openTable({(dir / "t.csv").string(), "", ""}, dir);
  const auto entries = hostui::labelFieldEntries(table.get());
  ASSERT_GE(entries.size(), 5u);
  EXPECT_EQ(entries[0], u"$$LABEL");
  EXPECT_EQ(entries[1], u"$$VALUE");
  EXPECT_NE(std::find(entries.begin(), entries.end(), u"SHAPE"), entries.end());
  EXPECT_NE(std::find(entries.begin(), entries.end(), u"Shape2"), entries.end());
  EXPECT_EQ(std::find(entries.begin(), entries.end(), u"Shape"), entries.end());
  fs::remove_all(dir);
}

TEST_F(HostUi, RegistrationAndUnloading) {
  EXPECT_EQ(registry::registeredServer(hostui::CLSID_clsQVXCWCommand),
            registry::libraryContaining(reinterpret_cast<const void*>(&DllRegisterServer)));
  EXPECT_EQ(registry::classFromProgId("qvxcrwui.clsextension"), hostui::CLSID_clsExtension);
  {
    auto command = create<host::ICommand>("QVXCRWUI.clsQVXCWCommand");
    EXPECT_EQ(DllCanUnloadNow(), com::S_FALSE);
  }
  EXPECT_EQ(DllCanUnloadNow(), com::S_OK);
  ASSERT_EQ(DllUnregisterServer(), com::S_OK);
  EXPECT_FALSE(registry::registeredServer(hostui::CLSID_clsMainToolBar));
  EXPECT_THROW(create<host::IToolBarDef>("QVXCRWUI.clsMainToolBar"), com::Error);
}

}  // namespace
