// The labeling dialog's options in the settings store: what a new user
// sees, what each click stores, what the next opening shows, and what
// happens without the product key.
#include "FrmCarrowind_fixture.h"

namespace dialogs::testing {
namespace {

class Settings : public DialogTest {
 protected:
  QCheckBox* box(const char* name) { return control<QCheckBox>(name); }
  QTabWidget* tabs() { return control<QTabWidget>("SSTab1"); }
  void reopen() {
    form_->Unload();
    open("landuse.cwmap");
  }
  const char* const optionBoxes[4] = {"ChkAutoRefreshWarning", "ChkDisplaySkippedWarning", "chkWrapLabels",
                                      "chkShowIntroduction"};
};

TEST_F(Settings, WithoutTheProductKeyTheDesignValuesStandAndEveryChangeIsRefused) {
  open("landuse.cwmap");
  EXPECT_TRUE(box("chkWrapLabels")->isChecked());
  EXPECT_TRUE(box("chkShowIntroduction")->isChecked());
  EXPECT_FALSE(box("ChkAutoRefreshWarning")->isChecked());
  EXPECT_FALSE(box("ChkDisplaySkippedWarning")->isChecked());
  EXPECT_TRUE(control<QLineEdit>("txtWrapLength")->text().isEmpty());
  EXPECT_TRUE(tabs()->isTabVisible(0));
  EXPECT_TRUE(messages().empty()) << "loading reports nothing";

  for (const char* name : optionBoxes) box(name)->click();
  control<QLineEdit>("txtWrapLength")->setText("30");
  ASSERT_EQ(messages().size(), 5u);
  for (const auto& m : messages()) {
    EXPECT_EQ(m.request.text, u"Error attempting to find saved settings!  Please reinstall the Carrowind!");
    EXPECT_EQ(m.request.title, u"Unable to Save Settings");
    EXPECT_EQ(m.request.icon, platform::messagebox::Icon::Critical);
    EXPECT_EQ(m.request.buttons, platform::messagebox::Buttons::Ok);
  }
  EXPECT_FALSE(support::basRegistry::KeyExists(registry::HKEY_CURRENT_USER, kProductKey)) << "the key was made";
  // The tab still follows the box.
  EXPECT_FALSE(tabs()->isTabVisible(0));
  // A text that is not a number is neither stored nor reported.
  control<QLineEdit>("txtWrapLength")->setText("3x");
  EXPECT_EQ(messages().size(), 5u);
}

TEST_F(Settings, AnEmptyProductKeyReadsAsClearedOptionsAndFifty) {
  createProductKey();
  open("landuse.cwmap");
  for (const char* name : optionBoxes) EXPECT_FALSE(box(name)->isChecked()) << name;
  EXPECT_EQ(control<QLineEdit>("txtWrapLength")->text(), "50");
  EXPECT_FALSE(tabs()->isTabVisible(0));
  EXPECT_TRUE(messages().empty());
  // Loading wrote back what it showed, as the handlers do.
  EXPECT_EQ(setting(u"Wrap Length"), u"50");
  EXPECT_EQ(setting(u"Show Introduction Tab"), u"FALSE");
}

TEST_F(Settings, ClicksAreStoredAndTheNextOpeningShowsThem) {
  createProductKey();
  open("landuse.cwmap");
  for (const char* name : optionBoxes) box(name)->click();  // all cleared -> all checked
  control<QLineEdit>("txtWrapLength")->setText("12.6");
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(setting(u"Show Auto Refresh Message"), u"TRUE");
  EXPECT_EQ(setting(u"Show Skipped Items Message"), u"TRUE");
  EXPECT_EQ(setting(u"Wrap Labels"), u"TRUE");
  EXPECT_EQ(setting(u"Show Introduction Tab"), u"TRUE");
  EXPECT_EQ(setting(u"Wrap Length"), u"13");  // stored as a whole number

  reopen();
  for (const char* name : optionBoxes) EXPECT_TRUE(box(name)->isChecked()) << name;
  EXPECT_EQ(control<QLineEdit>("txtWrapLength")->text(), "13");
  EXPECT_TRUE(tabs()->isTabVisible(0));

  box("ChkDisplaySkippedWarning")->click();
  box("chkWrapLabels")->click();
  EXPECT_EQ(setting(u"Show Skipped Items Message"), u"FALSE");
  EXPECT_EQ(setting(u"Wrap Labels"), u"FALSE");
  reopen();
  EXPECT_TRUE(box("ChkAutoRefreshWarning")->isChecked());
  EXPECT_FALSE(box("ChkDisplaySkippedWarning")->isChecked());
  EXPECT_FALSE(box("chkWrapLabels")->isChecked());
}

TEST_F(Settings, ClearingShowIntroductionHidesTheTabNowAndLater) {
  createProductKey();
  putSetting(u"Show Introduction Tab", u"true");
  open("landuse.cwmap");
  show();
  EXPECT_TRUE(box("chkShowIntroduction")->isChecked()) << "any letter case";
  EXPECT_TRUE(tabs()->isTabVisible(0));
  tabs()->setCurrentIndex(2);
  QTest::mouseClick(box("chkShowIntroduction"), Qt::LeftButton, {}, QPoint(8, box("chkShowIntroduction")->height() / 2));
  EXPECT_FALSE(tabs()->isTabVisible(0));
  EXPECT_EQ(tabs()->currentIndex(), 2);
  reopen();
  EXPECT_FALSE(tabs()->isTabVisible(0));
  EXPECT_FALSE(box("chkShowIntroduction")->isChecked());
}

TEST_F(Settings, OnlyNumericWrapLengthsAreStoredOrShown) {
  createProductKey();
  putSetting(u"Wrap Length", u"25");
  open("landuse.cwmap");
  auto* length = control<QLineEdit>("txtWrapLength");
  EXPECT_EQ(length->text(), "25");
  length->clear();
  QTest::keyClicks(length, "4a");
  EXPECT_EQ(setting(u"Wrap Length"), u"4") << "the last numeric text stays";
  length->setText(" 40 ");
  EXPECT_EQ(setting(u"Wrap Length"), u"40");
  length->setText("1e2");
  EXPECT_EQ(setting(u"Wrap Length"), u"100");
  EXPECT_TRUE(messages().empty());

  // A stored text that is not a number shows as 50.
  support::basRegistry::WriteTextSetting(registry::HKEY_CURRENT_USER, kProductKey, u"Wrap Length", u"wide");
  reopen();
  EXPECT_EQ(control<QLineEdit>("txtWrapLength")->text(), "50");
}

TEST_F(Settings, StoredValuesOtherThanTrueClearTheBoxes) {
  createProductKey();
  putSetting(u"Show Auto Refresh Message", u"yes");
  putSetting(u"Show Skipped Items Message", u"True");
  putSetting(u"Wrap Labels", u"1");
  open("landuse.cwmap");
  EXPECT_FALSE(box("ChkAutoRefreshWarning")->isChecked());
  EXPECT_TRUE(box("ChkDisplaySkippedWarning")->isChecked());
  EXPECT_FALSE(box("chkWrapLabels")->isChecked());
}

TEST_F(Settings, ADamagedStoreLeavesTheDesignValuesAndRefusesChanges) {
  const fs::path store = dir_ / "config" / "quorvex" / "registry.db";
  registry::setStorePath({});
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(store.string() + suffix);
  std::ofstream(store) << "this is not a settings store";
  registry::setStorePath(store);
  open("landuse.cwmap");
  // The engine cannot be found in a damaged store either.
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].request.title, u"Error Attempting To Create Labeler");
  EXPECT_TRUE(box("chkWrapLabels")->isChecked());
  EXPECT_TRUE(control<QLineEdit>("txtWrapLength")->text().isEmpty());
  box("chkWrapLabels")->click();
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_EQ(messages()[1].request.title, u"Unable to Save Settings");
}

}  // namespace
}  // namespace dialogs::testing
