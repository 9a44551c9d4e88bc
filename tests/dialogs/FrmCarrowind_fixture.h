#pragma once
// The labeling dialog on a copy of the sample maps, with a settings store
// of its own and the engine registered there: the dialog is opened as the
// command opens it, and the test clicks and types through its controls.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "dialogs/FrmCarrowind.h"
#include "dialogs/FrmList.h"
#include "engine/labeler.h"
#include "host/host.h"
#include "mapdoc/data/open.h"
#include "mapdoc/document.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/store.h"
#include "platform/scripted_ui/scripted_ui.h"
#include "support/basRegistry.h"
#include "tests/common/scratch_dir.h"

// Readable failures for Qt's strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '{' << l.join(", ").toStdString() << '}'; }

namespace dialogs::testing {

namespace fs = std::filesystem;
using host::Text;

inline QApplication& application() {
  // Windows without a screen unless the caller chose a platform; numbers
  // and letter case by the C locale's rules, for every library loaded.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("LC_ALL", "C.UTF-8", 1);
  static int argc = 1;
  static char name[] = "dialogs_test";
  static char* argv[] = {name, nullptr};
  static auto* app = new QApplication(argc, argv);
  return *app;
}

inline QString q(const std::u16string& s) { return QString::fromStdU16String(s); }
inline std::u16string u(const QString& s) { return s.toStdU16String(); }

inline const std::u16string kProductKey = u"Software\\Quorvex\\Carrowind";

class DialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    application();
    mapdoc::registerHostClasses();
  }

  void SetUp() override {
    dir_ = test_support::scratchDir("cw_dialog_");
    fs::create_directories(dir_ / "config" / "quorvex");
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples", dir_ / "maps",
             fs::copy_options::recursive | fs::copy_options::skip_symlinks);
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    registry::setStorePath(dir_ / "config" / "quorvex" / "registry.db");
    ASSERT_EQ(registry::registerServer(fs::path(CW_BINARY_DIR) / "lib" / "libQVXCRW.so",
                                       {{engine::CLSID_QVXCarrowind, engine::kProgID_QVXCarrowind,
                                         "Quorvex Carrowind"}}),
              0);
    ui_ = std::make_unique<platform::scripted_ui::ScriptedUi>();
  }

  void TearDown() override {
    EXPECT_FALSE(chooserAnswer_.isActive()) << "a list chooser answer was never used";
    chooserAnswer_.stop();
    if (form_) form_->Unload();
    form_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    doc_ = nullptr;
    ui_.reset();
    registry::setStorePath({});
    fs::remove_all(dir_);
  }

  static void createProductKey() { support::basRegistry::CreateKey(registry::HKEY_CURRENT_USER, kProductKey); }
  static void putSetting(const std::u16string& name, const std::u16string& value) {
    support::basRegistry::WriteSetting(registry::HKEY_CURRENT_USER, kProductKey, name, com::Variant(value));
  }
  static std::u16string setting(const std::u16string& name) {
    return support::basRegistry::SettingText(
        support::basRegistry::ReadSetting(registry::HKEY_CURRENT_USER, kProductKey, name));
  }

  fs::path map(const std::string& file) const { return dir_ / "maps" / file; }

  // Rewrites text in a copied map document.
  void edit(const std::string& file, const std::string& from, const std::string& to) {
    std::ifstream in(map(file));
    std::stringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
    std::ofstream(map(file), std::ios::trunc) << text;
  }

  // Opens a map with one layer selected in the contents view and prepares
  // the dialog for it as the command does.
  void open(const std::string& file, const Text& layerName = {}) {
    doc_ = mapdoc::MapDocument::open(map(file));
    layer_ = layerName.empty() ? doc_->layers().front() : doc_->layer(layerName);
    ASSERT_TRUE(layer_);
    doc_->contentsView()->SelectedItem(host::Value(layer_));
    form_ = std::make_unique<FrmCarrowind>();
    form_->Application(doc_->application().get());
    prepare();
  }

  void prepare() {
    QListWidget* fields = form_->LstLabelFields();
    fields->clear();
    fields->addItem(QStringLiteral("$$LABEL"));
    fields->addItem(QStringLiteral("$$VALUE"));
    auto table = com::query<host::IDisplayTable>(layer_.get())->DisplayTable();
    auto all = com::query<host::IClass>(table.get())->Fields();
    for (int i = 0; i < all->FieldCount(); ++i) {
      const Text name = all->Field(i)->Name();
      if (name != u"Shape") fields->addItem(q(name));
    }
    const Text query = com::query<host::IFeatureLayerDefinition>(layer_.get())->DefinitionExpression();
    if (query.empty()) {
      form_->OptApplyAll()->setChecked(true);
      form_->OptApplyDefinitionQuery()->setEnabled(false);
    } else {
      form_->OptApplyDefinitionQuery()->setChecked(true);
      form_->OptApplyDefinitionQuery()->setEnabled(true);
    }
    form_->OptApplySelection()->setEnabled(
        com::query<host::IFeatureSelection>(layer_.get())->SelectionSet()->Count() > 0);
    fields->setCurrentRow(0);
    form_->TxtExpression()->clear();
  }

  // Shows the dialog (not modally, so the test goes on) and waits for it.
  void show() {
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }

  template <class W = QWidget>
  W* control(const char* name) {
    W* w = form_->findChild<W*>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << "no control " << name;
    return w;
  }
  void click(const char* name) {
    auto* b = control<QAbstractButton>(name);
    if (!b) return;
    ASSERT_TRUE(b->isEnabled()) << name << " is disabled";
    b->click();
  }
  void type(const QString& text) {
    auto* t = form_->TxtExpression();
    t->setFocus();
    QTest::keyClicks(t, text);
  }
  void setExpression(const QString& text) { form_->TxtExpression()->setPlainText(text); }
  void chooseField(const QString& name) {
    auto found = form_->LstLabelFields()->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    form_->LstLabelFields()->setCurrentItem(found.front());
  }

  // Answers the next modal list chooser: looks at it, then picks an entry
  // (OK) or cancels when pick is empty.
  void answerChooser(std::function<void(FrmList&)> look, const QString& pick) {
    chooserAnswer_.disconnect();
    chooserAnswer_.setSingleShot(true);
    chooserAnswer_.setInterval(0);
    QObject::connect(&chooserAnswer_, &QTimer::timeout, [look, pick] {
      auto* chooser = qobject_cast<FrmList*>(QApplication::activeModalWidget());
      if (!chooser) {
        ADD_FAILURE() << "no list chooser open";
        return;
      }
      if (look) look(*chooser);
      if (pick.isEmpty()) {
        chooser->CmdCancel()->click();
        return;
      }
      auto found = chooser->lstChoices()->findItems(pick, Qt::MatchExactly);
      if (found.size() != 1) {
        ADD_FAILURE() << "no entry " << pick.toStdString();
        chooser->CmdCancel()->click();
        return;
      }
      chooser->lstChoices()->setCurrentItem(found.front());
      chooser->CmdOK()->click();
    });
    chooserAnswer_.start();
  }

  // The widget that holds the focus in the dialog (or would, were the
  // window active).
  QWidget* focused() const { return form_->focusWidget(); }

  // The labels of the selected layer's legend, in class order.
  std::vector<Text> legend() const {
    auto renderer = com::query<host::IGeoFeatureLayer>(layer_.get())->Renderer();
    if (auto s = renderer.as<host::ISimpleRenderer>()) return {s->Label()};
    std::vector<Text> out;
    if (auto c = renderer.as<host::IRendererClasses>())
      for (int i = 0; i < c->ClassCount(); ++i) out.push_back(c->Class(i));
    return out;
  }

  const std::vector<platform::scripted_ui::MessageRecord>& messages() const { return ui_->messages(); }

  fs::path dir_;
  host::Ref<mapdoc::MapDocument> doc_;
  host::Ref<host::ILayer> layer_;
  std::unique_ptr<FrmCarrowind> form_;
  std::unique_ptr<platform::scripted_ui::ScriptedUi> ui_;
  QTimer chooserAnswer_;
};

}  // namespace dialogs::testing
