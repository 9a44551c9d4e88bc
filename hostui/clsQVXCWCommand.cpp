#include "hostui/clsQVXCWCommand.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "dialogs/FrmCarrowind.h"
#include "host/renderer.h"
#include "host/table.h"
#include "hostui/frmResources.h"
#include "hostui/shared_dialogs.h"
#include "platform/com/error.h"
#include "support/ErrorHandling.h"

namespace hostui {
namespace {

namespace eh = support::ErrorHandling;

QString qt(const host::Text& s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

host::Ref<host::ILayer> selectedLayer(host::IMxDocument* document) {
  auto contents = document->CurrentContentsView();
  if (!contents) return nullptr;
  const host::Value item = contents->SelectedItem();
  return item.isObject() ? item.object().as<host::ILayer>() : nullptr;
}

}  // namespace

std::vector<host::Text> labelFieldEntries(host::ITable* displayTable) {
  std::vector<host::Text> out{u"$$LABEL", u"$$VALUE"};
  auto fields = com::query<host::IClass>(displayTable)->Fields();
  for (int i = 0; i < fields->FieldCount(); ++i) {
    host::Text name = fields->Field(i)->Name();
    if (name != u"Shape") out.push_back(std::move(name));
  }
  return out;
}

bool clsQVXCWCommand::Enabled() {
  if (!m_pMxDoc) return false;
  auto contents = m_pMxDoc->CurrentContentsView();
  if (!contents) return false;
  const host::Value item = contents->SelectedItem();
  if (!item.isObject()) return false;
  auto geo = item.object().as<host::IGeoFeatureLayer>();
  if (!geo) return false;
  auto renderer = geo->Renderer();
  return renderer.as<host::ISimpleRenderer>() || renderer.as<host::IUniqueValueRenderer>() ||
         renderer.as<host::IClassBreaksRenderer>() || renderer.as<host::IBivariateRenderer>();
}

host::Text clsQVXCWCommand::HelpFile() {
  std::int32_t line = 0;
  try {
    line = 10;
    return u"CarrowindLabelToolDialogHelp.hlp";
  } catch (const com::Error& e) {
    eh::ReportError(true, eh::Location(u"ICommand_HelpFile", u"QVXCRWUI.DLL", line), e.code(), e.source(),
                    e.description(), 4);
  }
  return {};
}

std::int32_t clsQVXCWCommand::HelpContextID() {
  std::int32_t line = 0;
  try {
    line = 10;
    return 101;
  } catch (const com::Error& e) {
    eh::ReportError(true, eh::Location(u"ICommand_HelpContextID", u"QVXCRWUI.DLL", line), e.code(), e.source(),
                    e.description(), 4);
  }
  return 0;
}

std::intptr_t clsQVXCWCommand::Bitmap() { return frmResources::instance().ImageHandle(u"CarrowindLabelsSM"); }

void clsQVXCWCommand::OnCreate(host::IUnknown* hook) {
  m_pApp = com::query<host::IApplication>(hook);
  if (!m_pApp) throw com::Error(com::E_NOINTERFACE, u"The hook is not the application");
  m_pMxDoc = m_pApp->Document().as<host::IMxDocument>();
  // The field values window gets the application from the labeling dialog.
  sharedLabelingDialog().Application(m_pApp.get());
}

void clsQVXCWCommand::OnClick() {
  if (!m_pApp) throw com::Error(com::E_POINTER, u"Object variable or With block variable not set");
  m_pMxDoc = m_pApp->Document().as<host::IMxDocument>();
  auto layer = selectedLayer(m_pMxDoc.get());
  auto geo = layer.as<host::IGeoFeatureLayer>();
  auto definition = layer.as<host::IFeatureLayerDefinition>();
  auto selection = layer.as<host::IFeatureSelection>();
  auto display = layer.as<host::IDisplayTable>();
  if (!geo || !definition || !selection || !display) throw com::Error(com::DISP_E_TYPEMISMATCH, u"Type mismatch");
  auto table = display->DisplayTable();

  auto& dialog = sharedLabelingDialog();
  dialog.Application(m_pApp.get());
  QListWidget* fields = dialog.LstLabelFields();
  fields->clear();
  for (const auto& name : labelFieldEntries(table.get())) fields->addItem(qt(name));
  if (definition->DefinitionExpression().empty()) {
    dialog.OptApplyAll()->setChecked(true);
    dialog.OptApplyDefinitionQuery()->setEnabled(false);
  } else {
    dialog.OptApplyDefinitionQuery()->setChecked(true);
    dialog.OptApplyDefinitionQuery()->setEnabled(true);
  }
  dialog.OptApplySelection()->setEnabled(selection->SelectionSet()->Count() > 0);
  fields->setCurrentRow(0);
  dialog.TxtExpression()->clear();
  dialog.ShowModal();
}

}  // namespace hostui
