#pragma once
// The labeling dialog: the user composes a label expression for the layer
// selected in the table of contents, verifies it, applies it to the layer's
// legend and resets the legend; options live in the settings store.
//
// Life of the dialog, as the command drives it:
//   Application(app)            before anything else
//   LstLabelFields() ...        the first touch of a control loads the dialog:
//                               the labeler is created by class identifier,
//                               the options and quick picks are read
//   ShowModal()                 returns when the user closes the dialog,
//                               which unloads it: the labeler and the
//                               document are let go, the other windows close
// The same object can be loaded again; it starts afresh from its design
// values. The layer is never kept: every operation takes the selected item
// of the document's current contents view again.
//
// Control accessors hand out widgets that live until the dialog unloads.
// Every control is also found by its name (QObject::objectName).
#include <QDialog>
#include <memory>
#include <string>

#include "engine/labeler.h"
#include "host/application.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace dialogs {

class FrmFieldValues;
class FrmList;
class QuickPickControls;

class FrmCarrowind : public QDialog {
  Q_OBJECT
 public:
  explicit FrmCarrowind(QWidget* parent = nullptr);
  ~FrmCarrowind() override;

  // The host application (write-only). It stays set across unloads.
  void Application(host::IApplication* application);

  // The controls the command prepares before showing the dialog.
  QListWidget* LstLabelFields();
  QRadioButton* OptApplyAll();
  QRadioButton* OptApplyDefinitionQuery();
  QRadioButton* OptApplySelection();
  QPlainTextEdit* TxtExpression();

  // Shows the dialog modally (centred on the screen); returns once it is
  // closed and unloaded.
  void ShowModal();

  // The load step (once until the next unload) and the unload.
  void Load();
  void Unload();
  bool IsLoaded() const { return loaded_; }

  // The expression as the labeler gets it: line breaks as CR LF.
  std::u16string ExpressionText();

  // The labeler of this loading (null before load, after unload, or when it
  // could not be created). For tests and diagnostics.
  com::ComPtr<engine::_QVXCarrowind> Labeler() const { return labeler_; }

  // Client area in twips.
  static constexpr int kClientWidthTwips = 8550;
  static constexpr int kClientHeightTwips = 7335;
  static constexpr char16_t kCaption[] = u"Carrowind Label Tool - Quorvex Corporation";
  static constexpr char16_t kProductKey[] = u"Software\\Quorvex\\Carrowind";
  static constexpr char16_t kHelpFile[] = u"CarrowindLabelTool.chm";
  static constexpr char16_t kWebSiteAddress[] = u"https://www.quorvex.example/carrowind";
  static constexpr char16_t kSupportAddress[] = u"mailto:carrowind-support@quorvex.example";

 public slots:
  // Escape and the close box end the dialog as "Done" does.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Controls;

  // Building the window (FrmCarrowind_controls.cpp).
  void buildControls();
  void buildIntroductionTab(QWidget* page, double scale);
  void buildExpressionTab(QWidget* page, double scale);
  void buildOptionsTab(QWidget* page, double scale);
  void buildAboutTab(QWidget* page, double scale);
  void connectHandlers();

  // Load, unload and the window's own buttons (FrmCarrowind.cpp).
  void Form_Load();
  void Form_Unload();
  void CmdCancel_Click();
  void CmdHelp_Click();
  void txtWebSite_Click();
  void txtSupportEmail_Click();
  host::Ref<host::ILayer> selectedLayer();
  host::Ref<host::IContentsView> contentsView();

  // Options and the settings store (FrmCarrowind_settings.cpp).
  void LoadSettings();
  void optionCheckClick(QCheckBox* box, const char16_t* settingName);
  void ChkAutoRefreshWarning_Click();
  void ChkDisplaySkippedWarning_Click();
  void chkWrapLabels_Click();
  void chkShowIntroduction_Click();
  void txtWrapLength_Change();
  void storeOption(const char16_t* settingName, const std::u16string& value);

  // Composing the expression (FrmCarrowind_compose.cpp).
  void CmdAddField_Click();
  void LstLabelFields_DblClick();
  std::u16string SelectSummaryType(std::u16string_view category);
  void CmdAddFormattingStatement_Click();
  void CmbFormattingStatements_Click();
  void TxtExpression_Change();
  void CmdShowValues_Click();
  void insertAtCaret(const QString& text);

  // Verify, apply and reset (FrmCarrowind_apply.cpp).
  void CmdVerifyExpression_Click();
  void CmdApply_Click();
  void CmdReset_Click();
  void RefreshLayoutLegends();

  host::Ref<host::IApplication> application_;
  host::Ref<host::IMxDocument> document_;
  com::ComPtr<engine::_QVXCarrowind> labeler_;
  bool loaded_ = false;
  bool loading_ = false;

  std::unique_ptr<Controls> c_;
  QWidget* client_ = nullptr;
  QuickPickControls* quickPicks_ = nullptr;
  FrmList* chooser_ = nullptr;
  FrmFieldValues* fieldValues_ = nullptr;
};

}  // namespace dialogs
