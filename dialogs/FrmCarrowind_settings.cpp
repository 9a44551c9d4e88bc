// The labeling dialog's options in the settings store: read at load,
// written back on every change.
#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

#include "dialogs/FrmCarrowind_controls.h"
#include "dialogs/dialog_errors.h"
#include "dialogs/qt_text.h"
#include "platform/locale/user_locale.h"
#include "platform/messagebox/message_box.h"
#include "support/basRegistry.h"

namespace dialogs {
namespace {

namespace reg = support::basRegistry;

constexpr char16_t kShowAutoRefresh[] = u"Show Auto Refresh Message";
constexpr char16_t kShowSkipped[] = u"Show Skipped Items Message";
constexpr char16_t kWrapLabels[] = u"Wrap Labels";
constexpr char16_t kWrapLength[] = u"Wrap Length";
constexpr char16_t kShowIntroduction[] = u"Show Introduction Tab";

bool isTrue(const std::u16string& value) { return platform::locale::toUpper(value) == u"TRUE"; }

std::u16string readText(const char16_t* name) {
  return reg::SettingText(reg::ReadSetting(registry::HKEY_CURRENT_USER, FrmCarrowind::kProductKey, name));
}


}  // namespace

void FrmCarrowind::LoadSettings() {
  try {
    if (!reg::KeyExists(registry::HKEY_CURRENT_USER, kProductKey)) return;
    const std::u16string autoRefresh = readText(kShowAutoRefresh);
    const std::u16string skipped = readText(kShowSkipped);
    const std::u16string wrap = readText(kWrapLabels);
    const std::u16string length = readText(kWrapLength);
    const std::u16string intro = readText(kShowIntroduction);
    c_->ChkAutoRefreshWarning->setChecked(isTrue(autoRefresh));
    c_->ChkDisplaySkippedWarning->setChecked(isTrue(skipped));
    c_->chkWrapLabels->setChecked(isTrue(wrap));
    c_->txtWrapLength->setText(platform::locale::isDecimalText(length) ? q(length) : QStringLiteral("50"));
    const bool showIntro = isTrue(intro);
    c_->chkShowIntroduction->setChecked(showIntro);
    c_->SSTab1->setTabVisible(TabIntroduction, showIntro);
  } catch (...) {
    // Settings that cannot be read leave the design values.
  }
}

void FrmCarrowind::storeOption(const char16_t* settingName, const std::u16string& value) {
  try {
    if (reg::KeyExists(registry::HKEY_CURRENT_USER, kProductKey)) {
      reg::WriteSetting(registry::HKEY_CURRENT_USER, kProductKey, settingName, com::Variant(value));
    } else {
      platform::messagebox::show(u"Error attempting to find saved settings!  Please reinstall the Carrowind!",
                                 u"Unable to Save Settings", platform::messagebox::Icon::Critical);
    }
  } catch (const std::exception& e) {
    reportError(e, u"Error Attempting To Save Settings");
  }
}

void FrmCarrowind::optionCheckClick(QCheckBox* box, const char16_t* settingName) {
  storeOption(settingName, box->isChecked() ? u"TRUE" : u"FALSE");
}

void FrmCarrowind::ChkAutoRefreshWarning_Click() { optionCheckClick(c_->ChkAutoRefreshWarning, kShowAutoRefresh); }

void FrmCarrowind::ChkDisplaySkippedWarning_Click() { optionCheckClick(c_->ChkDisplaySkippedWarning, kShowSkipped); }

void FrmCarrowind::chkWrapLabels_Click() { optionCheckClick(c_->chkWrapLabels, kWrapLabels); }

void FrmCarrowind::chkShowIntroduction_Click() {
  c_->SSTab1->setTabVisible(TabIntroduction, c_->chkShowIntroduction->isChecked());
  optionCheckClick(c_->chkShowIntroduction, kShowIntroduction);
}

void FrmCarrowind::txtWrapLength_Change() {
  const std::u16string text = c_->txtWrapLength->text().toStdU16String();
  if (platform::locale::isDecimalText(text)) storeOption(kWrapLength, text);
}

}  // namespace dialogs
