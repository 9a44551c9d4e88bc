#pragma once
// The field values window: the values of the field chosen in the labeling
// dialog's field list, 50 records a page or all at once, so that the user
// sees what the data holds before writing an expression. For "$$VALUE" and
// "$$LABEL" it lists the legend's class values or class labels instead.
//
// Every fill takes the layer afresh (the contents view's selected item) and
// reads the labeling dialog's current choices: the field and whether only
// the selection or only the definition query's records count. Both paging
// and "Show All" read the layer's display table, so joined fields list the
// same way in both; a null value is listed as "<Null>". A failure ends the
// fill with a message naming the step of that button's own sequence: for
// "Show Next 50" 1 taking the layer, 2 listing a page of values, 3 listing
// the legend's classes; for "Show All" 1 taking the layer, 3 listing every
// value.
//
// The window is loaded when it is first shown and unloaded by Cancel or
// its close box (the document is let go); the next show starts again at
// record 0. It never keeps a cursor between clicks and writes nothing.
#include <QDialog>
#include <functional>

#include "host/host.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace dialogs {

// What the window reads from the labeling dialog at every fill.
struct LabelingChoices {
  std::function<QString()> field;  // the chosen entry of LstLabelFields
  std::function<bool()> applySelection;
  std::function<bool()> applyDefinitionQuery;

  // Reads the dialog's LstLabelFields, OptApplySelection and
  // OptApplyDefinitionQuery, found by name; a control that is missing
  // reads as nothing chosen, not set.
  static LabelingChoices fromDialog(const QWidget* dialog);
};

class FrmFieldValues : public QDialog {
  Q_OBJECT
 public:
  // Without choices of its own the window reads them from parent.
  explicit FrmFieldValues(QWidget* parent = nullptr);
  ~FrmFieldValues() override;

  // The host application (write-only, as the command sets it).
  void setApplication(host::IApplication* application);
  void setLabelingChoices(LabelingChoices choices);

  QListWidget* lstFieldValues() const { return lstFieldValues_; }
  QPushButton* CmdShowNext50() const { return cmdShowNext50_; }
  QPushButton* CmdShowAll() const { return cmdShowAll_; }
  QPushButton* CmdCancel() const { return cmdCancel_; }
  // Hidden; the number of records read so far.
  QLineEdit* TxtCurrentRecord() const { return txtCurrentRecord_; }

  bool isLoaded() const { return loaded_; }

  // Places the window's centre on owner's centre.
  void centreOn(const QWidget* owner);

  // Page size of "Show Next 50".
  static constexpr int kPageSize = 50;

 public slots:
  void Form_Load();
  void Form_Unload();
  void CmdShowNext50_Click();
  void CmdShowAll_Click();
  void CmdCancel_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  // The close box and Escape cancel.
  void reject() override;

 private:
  struct Fill;
  Fill takeLayer() const;
  void showFailure(const QString& description, int step);
  void setPagingEnabled(bool enabled);
  bool listLegend(const Fill& fill, bool values);

  host::Ref<host::IApplication> application_;
  host::Ref<host::IMxDocument> document_;
  LabelingChoices choices_;
  bool ownChoices_ = false;
  bool loaded_ = false;

  QListWidget* lstFieldValues_;
  QPushButton* cmdShowNext50_;
  QPushButton* cmdShowAll_;
  QPushButton* cmdCancel_;
  QLineEdit* txtCurrentRecord_;
};

}  // namespace dialogs
