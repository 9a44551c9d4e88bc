// Pictures of the labeling dialog for the documentation: each tab, and the
// Verify report with its labeling instructions, drawn on a map document as
// a user would see them. Run by scripts/screenshots:
//   carrowind_dialog_screenshots MAP LAYER OUTPUT_DIR
// The settings store is whatever CARROWIND_REGISTRY names; the script
// points it at a scratch file, so the user's own settings are never read
// or written. The engine is registered there from the build tree.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "dialogs/FrmCarrowind.h"
#include "mapdoc/data/open.h"
#include "mapdoc/document.h"
#include "platform/qt_services/qt_services.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/store.h"
#include "platform/text/utf.h"
#include "support/basRegistry.h"

namespace {

namespace fs = std::filesystem;

bool save(QWidget* w, const QString& file) {
  const bool ok = w->grab().save(file, "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "could not write", file.toLocal8Bit().constData());
  return ok;
}

// Fills the dialog as the command does for the layer.
void prepare(dialogs::FrmCarrowind& form, host::ILayer* layer) {
  QListWidget* fields = form.LstLabelFields();
  fields->clear();
  fields->addItem(QStringLiteral("$$LABEL"));
  fields->addItem(QStringLiteral("$$VALUE"));
  auto table = com::query<host::IDisplayTable>(layer)->DisplayTable();
  auto all = com::query<host::IClass>(table.get())->Fields();
  for (int i = 0; i < all->FieldCount(); ++i)
    if (all->Field(i)->Name() != u"Shape") fields->addItem(QString::fromStdU16String(all->Field(i)->Name()));
  const bool query = !com::query<host::IFeatureLayerDefinition>(layer)->DefinitionExpression().empty();
  (query ? form.OptApplyDefinitionQuery() : form.OptApplyAll())->setChecked(true);
  form.OptApplyDefinitionQuery()->setEnabled(query);
  form.OptApplySelection()->setEnabled(com::query<host::IFeatureSelection>(layer)->SelectionSet()->Count() > 0);
  fields->setCurrentRow(0);
  form.TxtExpression()->clear();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s MAP LAYER OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  const fs::path mapFile = argv[1];
  const host::Text layerName = text::fromUtf8(argv[2]);
  const QString out = QString::fromLocal8Bit(argv[3]);
  QDir().mkpath(out);

  const fs::path engine = fs::path(CW_BINARY_DIR) / "lib" / "libQVXCRW.so";
  if (registry::registerServer(engine, {{engine::CLSID_QVXCarrowind, engine::kProgID_QVXCarrowind,
                                         "Quorvex Carrowind"}}) != 0) {
    std::fprintf(stderr, "could not register %s: %s\n", engine.c_str(), registry::storeError().c_str());
    return 1;
  }
  constexpr char16_t kProduct[] = u"Software\\Quorvex\\Carrowind";
  namespace reg = support::basRegistry;
  reg::CreateKey(registry::HKEY_CURRENT_USER, kProduct);
  for (const char16_t* name : {u"Show Introduction Tab", u"Wrap Labels"})
    reg::WriteSetting(registry::HKEY_CURRENT_USER, kProduct, name, com::Variant(u"TRUE"));
  reg::WriteSetting(registry::HKEY_CURRENT_USER, kProduct, u"Wrap Length", com::Variant(u"40"));
  mapdoc::registerHostClasses();
  platform::qt_services::installQtServices();

  auto doc = mapdoc::MapDocument::open(mapFile);
  auto layer = doc->layer(layerName);
  if (!layer) {
    std::fprintf(stderr, "no layer %s in %s\n", argv[2], mapFile.c_str());
    return 1;
  }
  doc->contentsView()->SelectedItem(host::Value(layer));

  dialogs::FrmCarrowind form;
  form.Application(doc->application().get());
  prepare(form, layer.get());
  form.TxtExpression()->setPlainText(
      QStringLiteral("[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)"));
  form.findChild<QCheckBox*>(QStringLiteral("ChkDetailedVerify"))->setChecked(true);
  platform::qt_services::installQtServices(&form);

  bool ok = true;
  QTimer::singleShot(200, &form, [&] {
    auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    const char* const names[] = {"introduction", "expression", "options", "about"};
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);
      QApplication::processEvents();
      ok = save(&form, out + QStringLiteral("/dialog-%1.png").arg(QLatin1String(names[i]))) && ok;
    }
    tabs->setCurrentIndex(1);
    // The report is a modal box: picture it once it is up, then close it.
    QTimer::singleShot(300, &form, [&] {
      if (QWidget* report = QApplication::activeModalWidget(); report && report != &form) {
        ok = save(report, out + QStringLiteral("/verify-report.png")) && ok;
        report->close();
      } else {
        std::fprintf(stderr, "the Verify report did not open\n");
        ok = false;
      }
    });
    form.findChild<QPushButton*>(QStringLiteral("CmdVerifyExpression"))->click();
    form.findChild<QPushButton*>(QStringLiteral("CmdCancel"))->click();
  });
  form.ShowModal();
  platform::qt_services::uninstallQtServices();
  return ok ? 0 : 1;
}
