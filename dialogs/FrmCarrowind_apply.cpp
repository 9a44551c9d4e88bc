// Verify, Apply and Reset: the dialog's options copied into the labeler,
// the engine's operations on the selected layer, and what the host shows
// afterwards (contents view, document state, page layout legends, notices).
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/FrmCarrowind_controls.h"
#include "dialogs/wrap_length.h"
#include "dialogs/dialog_errors.h"
#include "host/classes.h"
#include "platform/com/class_factory.h"
#include "platform/messagebox/message_box.h"
#include "support/layout_legends.h"

namespace dialogs {
namespace {

using platform::messagebox::Icon;

constexpr char16_t kNotAvailable[] = u"The Carrowind labeling engine is not available.";

// One step of Apply: an error skips the step and Apply goes on.
template <class F>
void step(F&& f) {
  try {
    f();
  } catch (...) {
  }
}

}  // namespace

void FrmCarrowind::CmdVerifyExpression_Click() {
  try {
    if (!labeler_) throw com::Error(com::E_POINTER, kNotAvailable);
    auto layer = selectedLayer();
    labeler_->ApplyDefinitionQuery(c_->OptApplyDefinitionQuery->isChecked());
    labeler_->ApplySelectionSet(c_->OptApplySelection->isChecked());
    labeler_->ShowMessages(true);
    // With messages on, the labeler shows the failure or the report itself.
    labeler_->VerifyExpression(layer.get(), ExpressionText(), true, c_->ChkDetailedVerify->isChecked());
  } catch (const std::exception& e) {
    reportError(e, u"Error Attempting To Verify Expression");
  }
}

void FrmCarrowind::CmdApply_Click() {
  host::Ref<host::IStatusBar> status;
  host::Ref<host::IContentsView> view;
  host::Ref<host::ILayer> layer;
  // 1.
  step([&] {
    if (!application_) return;
    status = application_->StatusBar();
    auto progress = status->ProgressAnimation();
    progress->Show();
    progress->Play();
    status->Message(0, u"Creating Symbol Labels...");
  });
  // 2.
  step([&] {
    view = contentsView();
    layer = selectedLayer();
    view->Refresh(host::Value(layer));
  });
  bool made = false;
  if (!labeler_) {
    // Without a labeler nothing can be made; say so rather than end quietly.
    reportError(kNotAvailable, u"Error Generating Labels!");
  } else {
    // 3.
    step([&] {
      labeler_->ApplyDefinitionQuery(c_->OptApplyDefinitionQuery->isChecked());
      labeler_->ApplySelectionSet(c_->OptApplySelection->isChecked());
    });
    // 4.
    step([&] {
      labeler_->WrapTextIfLongerThan(
          wrapLengthFor(c_->chkWrapLabels->isChecked(), c_->txtWrapLength->text().toStdU16String()));
    });
    // 5.
    step([&] {
      labeler_->ShowMessages(false);
      labeler_->UpdateAllOtherValues(c_->ChkAllOtherValues->isChecked());
    });
    // 6. and 7.
    step([&] {
      if (!labeler_->MakeLabels(layer.get(), ExpressionText())) {
        platform::messagebox::show(labeler_->Message(), u"Error Generating Labels!", Icon::Critical);
      } else if (!labeler_->SetLabels(layer.get())) {
        platform::messagebox::show(labeler_->Message(), u"Error Setting Legend Labels!", Icon::Critical);
      } else {
        made = true;
      }
    });
  }
  if (made) {
    // 8a.
    step([&] {
      if (view) view->Refresh(host::Value::null());
    });
    step([&] {
      if (auto dirty = com::query<host::IDocumentDirty>(document_.get())) dirty->SetDirty();
    });
    step([&] { RefreshLayoutLegends(); });
    c_->CmdReset->setEnabled(true);
    // 8b.
    step([&] {
      if (c_->ChkAutoRefreshWarning->isChecked())
        platform::messagebox::show(
            u"IMPORTANT: The resulting labels do not \"Auto Refresh\" when the Layer changes!  "
            u"You must re-apply the labeling expression whenever changes affecting labels are made to the "
            u"Layer's legend or data source.\r\n\r\n(see the Options tab to disable this message)",
            u"Labels Do Not Auto Refresh!", Icon::Information);
    });
    // 8c.
    step([&] {
      if (labeler_->SkippedLegendItems() && c_->ChkDisplaySkippedWarning->isChecked())
        platform::messagebox::show(
            u"Some legend symbols had no corresponding values in Layer's table and were skipped!\r\n\r\n"
            u"(see the Options tab to disable this message)",
            u"Skipped Symbols!", Icon::Exclamation);
    });
  }
  // 9.
  step([&] {
    if (!status) return;
    auto progress = status->ProgressAnimation();
    progress->Stop();
    progress->Hide();
    status->Message(0, u"");
  });
}

void FrmCarrowind::CmdReset_Click() {
  try {
    if (!labeler_) throw com::Error(com::E_POINTER, kNotAvailable);
    auto view = contentsView();
    auto layer = selectedLayer();
    view->Refresh(host::Value(layer));
    labeler_->ShowMessages(false);
    if (labeler_->ResetLabels(layer.get())) {
      view->Refresh(host::Value::null());
      RefreshLayoutLegends();
    } else {
      platform::messagebox::show(labeler_->Message(), u"Error Attempting To Reset Labels!", Icon::Critical);
    }
  } catch (const std::exception& e) {
    reportError(e, u"Error Attempting To Reset Labels!");
  }
}

void FrmCarrowind::RefreshLayoutLegends() { support::RefreshLayoutLegends(document_.get()); }

}  // namespace dialogs
