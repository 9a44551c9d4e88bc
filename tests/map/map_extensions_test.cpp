// Extensions, toolbars and commands as the application loads them from the
// user's registration: the labeling command on the feature layer context
// menu of each document, its enabled state, and failures that stay inside
// the window.
#include <QToolBar>

#include "apps/carrowind-map/hosting/failure_report.h"
#include "apps/carrowind-map/ui/command_action.h"
#include "host/categories.h"
#include "map_fixture.h"
#include "platform/com/class_factory.h"
#include "platform/com/object.h"
#include "platform/registry/component_categories.h"
#include "platform/text/utf.h"
#include "host/classes.h"

namespace carrowind::map::testing {
namespace {

TEST_F(MapWindowTest, TheRegisteredExtensionAddsTheCommandOncePerDocument) {
  ASSERT_EQ(window_->extensions().loaded().size(), 1u);
  EXPECT_EQ(window_->extensions().loaded().front()->Name(), u"QVXCRWUI");
  EXPECT_EQ(commandsOnContextMenuBar(), 1);  // the empty document the window starts with

  open("landuse.cwmap");
  EXPECT_EQ(commandsOnContextMenuBar(), 1);
  auto menu = menuFor(u"Land use");
  ASSERT_EQ(commandActions(*menu).size(), 1u);

  // A second document has bars of its own, with the command once.
  open("unique_values.cwmap");
  EXPECT_EQ(commandsOnContextMenuBar(), 1);
  menu = menuFor(doc().layers().front()->Name());
  EXPECT_EQ(commandActions(*menu).size(), 1u);
  window_->newDocument();
  EXPECT_EQ(commandsOnContextMenuBar(), 1);
}

TEST_F(MapWindowTest, TheCommandIsOnFeatureLayersAndEnabledForLabelledRenderers) {
  open("landuse.cwmap");
  auto menu = menuFor(u"Land use");
  auto actions = commandActions(*menu);
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_TRUE(actions.front()->isEnabled());
  EXPECT_TRUE(commandActions(*menuFor(u"Parcel size")).front()->isEnabled());  // class breaks
  EXPECT_TRUE(commandActions(*menuFor(u"Elevation")).empty());                 // a raster has no such menu

  open("bivariate_unique.cwmap");
  EXPECT_TRUE(commandActions(*menuFor(doc().layers().front()->Name())).front()->isEnabled());

  // Dot density, proportional symbols and charts label no classes.
  for (const std::string kind : {"dot_density", "proportional_symbol", "chart"}) {
    SCOPED_TRACE(kind);
    const std::string file = kind + ".cwmap";
    fs::copy_file(map("unsupported.cwmap"), map(file));
    edit(file, "\"dot_density\"", "\"" + kind + "\"");
    open(file);
    auto unsupported = menuFor(u"Acreage dots");
    ASSERT_EQ(commandActions(*unsupported).size(), 1u);
    EXPECT_FALSE(commandActions(*unsupported).front()->isEnabled());
  }
}

TEST_F(MapWindowTest, TheRegisteredToolbarFollowsTheSelectedLayer) {
  const auto* bar = window_->findChild<QToolBar*>(QStringLiteral("Carrowind Labels"));
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->windowTitle(), QStringLiteral("Carrowind Labels (Quorvex)"));
  ASSERT_EQ(window_->toolbarCommands().size(), 1u);
  CommandAction* command = window_->toolbarCommands().front();
  EXPECT_EQ(command->text(), kCommandCaption);
  EXPECT_FALSE(command->icon().isNull());
  EXPECT_FALSE(command->isEnabled());  // nothing to label in an empty map

  open("landuse.cwmap");  // the document selects "Land use"
  EXPECT_TRUE(command->isEnabled());
  auto* contents = window_->contents();
  contents->setCurrentItem(contents->itemOf(layer(u"Elevation").get()));
  EXPECT_FALSE(command->isEnabled());
  contents->setCurrentItem(contents->itemOf(layer(u"Countries").get()));
  EXPECT_TRUE(command->isEnabled());
}

// A command and an extension that fail in every call they can.
inline const com::CLSID kBrokenCommand = com::Guid::fromString("{0D5A3C1E-7F3B-4E61-9A1C-2B9F4E7D6A01}");
inline const com::CLSID kBrokenExtension = com::Guid::fromString("{0D5A3C1E-7F3B-4E61-9A1C-2B9F4E7D6A02}");

class BrokenCommand : public com::Object<host::ICommand> {
 public:
  static inline bool enabledFails = true;
  bool Enabled() override {
    if (enabledFails) throw com::Error(com::E_FAIL, u"cannot tell");
    return true;
  }
  bool Checked() override { return false; }
  host::Text Name() override { return u"Broken"; }
  host::Text Caption() override { return u"Broken..."; }
  host::Text Tooltip() override { return {}; }
  host::Text Message() override { return {}; }
  host::Text HelpFile() override { return {}; }
  std::int32_t HelpContextID() override { return 0; }
  std::intptr_t Bitmap() override { return 0; }
  host::Text Category() override { return {}; }
  void OnCreate(host::IUnknown*) override {}
  void OnClick() override { throw com::Error(com::E_FAIL, u"The broken command broke."); }
};

class BrokenExtension : public com::Object<host::IExtension> {
 public:
  host::Text Name() override { return u"Broken"; }
  void Startup(host::Value&) override { throw std::runtime_error("the broken extension will not start"); }
  void Shutdown() override {}
};

TEST_F(MapWindowTest, FailingCommandsAndExtensionsAreReportedAndTheWindowGoesOn) {
  const auto command = com::CoRegisterClassObject(kBrokenCommand, com::make<com::ClassFactory<BrokenCommand>>().get());
  const auto extension =
      com::CoRegisterClassObject(kBrokenExtension, com::make<com::ClassFactory<BrokenExtension>>().get());
  ASSERT_EQ(registry::registerClassInCategory(kBrokenExtension, host::CATID_MxExtensions, host::kMxExtensionsName), 0);

  // A window started with the broken extension registered too: it says so
  // and loads the good one.
  window_.reset();
  ui_->clearRecords();
  window_ = std::make_unique<MapWindow>();
  window_->setSavePrompt([](const QString&) { return MapWindow::SaveChoice::Discard; });
  ASSERT_EQ(ui_->messages().size(), 1u);
  EXPECT_NE(ui_->messages()[0].request.text.find(u"will not start"), std::u16string::npos);
  ASSERT_EQ(window_->extensions().loaded().size(), 1u);
  EXPECT_EQ(window_->extensions().loaded().front()->Name(), u"QVXCRWUI");

  open("landuse.cwmap");
  auto uid = com::create<host::IUID>(host::CLSID_UID);
  uid->Value(text::fromUtf8(kBrokenCommand.toString()));
  doc().commandBars()->bar(u"esriCore.FeatureLayerContextMenu")->Add(uid.get(), host::Value{});
  auto brokenIn = [](QMenu& menu) -> QAction* {
    for (auto* a : menu.actions())
      if (a->text() == QStringLiteral("Broken...")) return a;
    return nullptr;
  };
  auto menu = menuFor(u"Land use");
  ASSERT_TRUE(brokenIn(*menu));
  EXPECT_FALSE(brokenIn(*menu)->isEnabled());  // Enabled failed
  BrokenCommand::enabledFails = false;
  menu = menuFor(u"Land use");
  QAction* broken = brokenIn(*menu);
  ASSERT_TRUE(broken && broken->isEnabled());
  ui_->clearRecords();
  broken->trigger();
  ASSERT_EQ(ui_->messages().size(), 1u);
  EXPECT_EQ(ui_->messages()[0].request.text, u"The broken command broke.");
  EXPECT_EQ(ui_->messages()[0].request.title, u"Running Broken");
  EXPECT_EQ(commandActions(*menuFor(u"Land use")).size(), 1u);  // the window still works

  registry::unregisterClassFromCategory(kBrokenExtension, host::CATID_MxExtensions);
  com::CoRevokeClassObject(command);
  com::CoRevokeClassObject(extension);
}

}  // namespace
}  // namespace carrowind::map::testing
