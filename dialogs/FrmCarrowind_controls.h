#pragma once
// The labeling dialog's controls, shared by the files that make up the
// dialog. They belong to the dialog's client widget and live until it
// unloads.
#include "dialogs/FrmCarrowind.h"

class QPushButton;

namespace dialogs {

struct FrmCarrowind::Controls {
  QTabWidget* SSTab1;
  QPushButton *CmdReset, *CmdApply, *CmdCancel, *CmdHelp;

  // Introduction
  QLabel *Picture1, *Label3, *Label2, *Label4;

  // Expression
  QGroupBox *FraLabelFields, *FraExpression, *FraFormattingStatements;
  QLabel* LblLabelFields;
  QListWidget* LstLabelFields;
  QPushButton *CmdAddField, *CmdShowValues;
  QLabel* LblExpression;
  QPlainTextEdit* TxtExpression;
  QPushButton *CmdSaveExpression, *CmdLoadExpression, *CmdVerifyExpression;
  QCheckBox* ChkDetailedVerify;
  QLabel* Label6;
  QComboBox* CmbQuickPicks;
  QPushButton *CmdSaveQuickPick, *CmdDeleteQuickPick;
  QLabel* LblFormattingStatements;
  QComboBox* CmbFormattingStatements;
  QPushButton* CmdAddFormattingStatement;
  QLabel* lblFormatDescription;

  // Options
  QRadioButton *OptApplyAll, *OptApplyDefinitionQuery, *OptApplySelection;
  QCheckBox *ChkAllOtherValues, *chkWrapLabels;
  QLineEdit* txtWrapLength;
  QLabel *Label7, *Label8;
  QPushButton* cmdExportQuickPicks;
  QGroupBox* FrameToolOptions;
  QCheckBox *chkShowIntroduction, *ChkDisplaySkippedWarning, *ChkAutoRefreshWarning;

  // About
  QLabel *Picture2, *LblProductTitle, *LblVersion, *LblAddress, *LblTelephone, *LblAcknowledgement, *LblLegalNotice;
  QLineEdit *txtWebSite, *txtSupportEmail;
};

// Tab positions in SSTab1.
enum Tab : int { TabIntroduction = 0, TabExpression = 1, TabOptions = 2, TabAbout = 3 };

}  // namespace dialogs
