#pragma once
// The library's dialogs are single shared instances, created on first use
// (there must be a QApplication by then) and kept until the library goes.
namespace dialogs {
class FrmCarrowind;
}

namespace hostui {

dialogs::FrmCarrowind& sharedLabelingDialog();

}  // namespace hostui
