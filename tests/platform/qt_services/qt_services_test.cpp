// The Qt windows behind the seams, driven offscreen: a timer finds the
// modal window that a call opened, looks at it and answers it.
#include "platform/qt_services/qt_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <functional>

#include "platform/filedialog/file_dialog.h"
#include "platform/help/help.h"
#include "platform/inputbox/input_box.h"
#include "platform/messagebox/message_box.h"
#include "platform/shell/shell_open.h"

namespace mb = platform::messagebox;
namespace fd = platform::filedialog;

namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "qt_services_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

// Ends a window that a test left open, whatever it is, so that the call
// under test returns.
void forceClose(QWidget* w) {
  if (auto* dialog = qobject_cast<QDialog*>(w))
    dialog->done(QDialog::Rejected);
  else
    w->hide();
}

// Runs act on the first modal window that opens. A window that never
// opens, or an act that leaves it open, fails the test instead of hanging it.
void whenModalOpens(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer(&app());
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, act = std::move(act)] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      act(modal);
      if (QApplication::activeModalWidget() == modal && modal->isVisible()) {
        ADD_FAILURE() << "the window was left open";
        forceClose(modal);
      }
    } else if (++*tries > 500) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "no modal window opened";
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) forceClose(w);
    }
  });
  timer->start(10);
}

class QtServices : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    platform::qt_services::installQtServices(nullptr);
  }
  void TearDown() override { platform::qt_services::uninstallQtServices(); }
};

struct Seen {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  Qt::TextFormat format = Qt::AutoText;
};

// Shows a box through the seam and clicks the answer.
mb::Result showAndClick(const mb::Request& r, QMessageBox::StandardButton click, Seen* seen = nullptr) {
  whenModalOpens([click, seen](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    if (seen) {
      seen->title = box->windowTitle();
      seen->text = box->text();
      seen->icon = box->icon();
      seen->buttons = box->standardButtons();
      seen->defaultButton = box->standardButton(box->defaultButton());
      seen->format = box->textFormat();
    }
    QAbstractButton* button = box->button(click);
    ASSERT_NE(button, nullptr) << "the box lacks the button to click";
    button->click();
  });
  return mb::show(r);
}

TEST_F(QtServices, MessageBoxButtonSetsAndTheirAnswers) {
  using Q = QMessageBox;
  struct Case {
    mb::Buttons buttons;
    Q::StandardButtons expected;
    Q::StandardButton first;
    Q::StandardButton click;
    mb::Result answer;
  };
  const Case cases[] = {
      {mb::Buttons::Ok, Q::Ok, Q::Ok, Q::Ok, mb::Result::Ok},
      {mb::Buttons::OkCancel, Q::Ok | Q::Cancel, Q::Ok, Q::Cancel, mb::Result::Cancel},
      {mb::Buttons::YesNo, Q::Yes | Q::No, Q::Yes, Q::No, mb::Result::No},
      {mb::Buttons::YesNo, Q::Yes | Q::No, Q::Yes, Q::Yes, mb::Result::Yes},
      {mb::Buttons::YesNoCancel, Q::Yes | Q::No | Q::Cancel, Q::Yes, Q::Cancel, mb::Result::Cancel},
      {mb::Buttons::RetryCancel, Q::Retry | Q::Cancel, Q::Retry, Q::Retry, mb::Result::Retry},
  };
  for (const auto& c : cases) {
    Seen seen;
    const auto answer = showAndClick({u"Overwrite existing expression?", u"Overwrite Expression?", mb::Icon::None, c.buttons},
                                     c.click, &seen);
    EXPECT_EQ(answer, c.answer) << static_cast<int>(c.buttons);
    EXPECT_EQ(seen.buttons, c.expected) << static_cast<int>(c.buttons);
    EXPECT_EQ(seen.defaultButton, c.first) << "the first button is the default, as on the original";
    EXPECT_EQ(seen.title, "Overwrite Expression?");
  }
}

TEST_F(QtServices, MessageBoxIcons) {
  const std::pair<mb::Icon, QMessageBox::Icon> icons[] = {
      {mb::Icon::None, QMessageBox::NoIcon},
      {mb::Icon::Critical, QMessageBox::Critical},
      {mb::Icon::Question, QMessageBox::Question},
      {mb::Icon::Exclamation, QMessageBox::Warning},
      {mb::Icon::Information, QMessageBox::Information},
  };
  for (const auto& [ours, qt] : icons) {
    Seen seen;
    showAndClick({u"text", u"title", ours, mb::Buttons::Ok}, QMessageBox::Ok, &seen);
    EXPECT_EQ(seen.icon, qt) << static_cast<int>(ours);
  }
}

TEST_F(QtServices, MessageTextIsShownAsWrittenNeverAsMarkup) {
  Seen seen;
  showAndClick({u"Some legend symbols had no corresponding values in Layer's table and were skipped!\r\n\r\n"
                u"<all other values> <b>kept</b>",
                u"Skipped Symbols!", mb::Icon::Exclamation, mb::Buttons::Ok},
               QMessageBox::Ok, &seen);
  EXPECT_EQ(seen.format, Qt::PlainText);
  EXPECT_EQ(seen.text,
            "Some legend symbols had no corresponding values in Layer's table and were skipped!\n\n"
            "<all other values> <b>kept</b>");
}

TEST_F(QtServices, EscapeAndTheCloseBoxAnswerTheBoxsCancel) {
  const std::pair<mb::Buttons, mb::Result> cases[] = {{mb::Buttons::Ok, mb::Result::Ok},
                                                     {mb::Buttons::OkCancel, mb::Result::Cancel},
                                                     {mb::Buttons::YesNo, mb::Result::No},
                                                     {mb::Buttons::YesNoCancel, mb::Result::Cancel},
                                                     {mb::Buttons::RetryCancel, mb::Result::Cancel}};
  for (const auto& [buttons, answer] : cases) {
    whenModalOpens([](QWidget* w) {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(w, &escape);
    });
    EXPECT_EQ(mb::show({u"Delete Quick Pick: A?", u"Delete Quick Pick?", mb::Icon::None, buttons}), answer)
        << "Escape, buttons " << static_cast<int>(buttons);
    whenModalOpens([](QWidget* w) { w->close(); });
    EXPECT_EQ(mb::show({u"Delete Quick Pick: A?", u"Delete Quick Pick?", mb::Icon::None, buttons}), answer)
        << "close box, buttons " << static_cast<int>(buttons);
  }
}

TEST_F(QtServices, BoxesBelongToTheOwnerWhenNoWindowIsActive) {
  QWidget owner;
  platform::qt_services::installQtServices(&owner);
  QWidget* parent = nullptr;
  whenModalOpens([&parent](QWidget* w) {
    parent = w->parentWidget();
    static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
  });
  mb::show(u"text", u"title");
  EXPECT_EQ(parent, &owner);
}

TEST_F(QtServices, InputBoxAnswerAndCancel) {
  QString label, title, initial;
  whenModalOpens([&](QWidget* w) {
    auto* dialog = qobject_cast<QInputDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    label = dialog->labelText();
    title = dialog->windowTitle();
    initial = dialog->textValue();
    dialog->setTextValue("Parcels by use");
    dialog->accept();
  });
  EXPECT_EQ(platform::inputbox::InputBox(u"Enter Quick Pick Name:", u"Save Quick Pick", u"Roads"), u"Parcels by use");
  EXPECT_EQ(label, "Enter Quick Pick Name:");
  EXPECT_EQ(title, "Save Quick Pick");
  EXPECT_EQ(initial, "Roads");

  whenModalOpens([](QWidget* w) {
    static_cast<QInputDialog*>(w)->setTextValue("typed, then cancelled");
    static_cast<QInputDialog*>(w)->reject();
  });
  EXPECT_FALSE(platform::inputbox::ask({u"Enter Quick Pick Name:", u"Save Quick Pick", u""}));

  whenModalOpens([](QWidget* w) { static_cast<QInputDialog*>(w)->reject(); });
  EXPECT_EQ(platform::inputbox::InputBox(u"Enter Quick Pick Name:", u"Save Quick Pick"), u"");
}

TEST_F(QtServices, SaveDialogTakesTheFiltersExtensionAndFolder) {
  const auto dir = std::filesystem::temp_directory_path() / ("cw_qt_dialog_" + std::to_string(QCoreApplication::applicationPid()));
  std::filesystem::create_directories(dir);
  QStringList filters;
  QString selectedFilter, suffix, title;
  bool saving = false, confirms = false;
  whenModalOpens([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    selectedFilter = dialog->selectedNameFilter();
    suffix = dialog->defaultSuffix();
    title = dialog->windowTitle();
    saving = dialog->acceptMode() == QFileDialog::AcceptSave;
    confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    dialog->selectFile(QString::fromStdString((dir / "parcels").string()));
    static_cast<QDialog*>(dialog)->accept();
  });
  fd::Request r;
  r.mode = fd::Mode::Save;
  r.title = u"Save Expression";
  r.filter = u"Quorvex Symbol Label Expression (*.exp)|*.exp;|All Files(*.*)|*.*;|";
  r.filterIndex = 2;
  r.defaultExtension = u"exp";
  r.initialPath = dir;
  const auto chosen = fd::show(r);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(std::filesystem::path(*chosen), dir / "parcels.exp");
  EXPECT_EQ(filters, (QStringList{"Quorvex Symbol Label Expression (*.exp)", "All Files (*)"}));
  EXPECT_EQ(selectedFilter, "All Files (*)");
  EXPECT_EQ(suffix, "exp");
  EXPECT_EQ(title, "Save Expression");
  EXPECT_TRUE(saving);
  EXPECT_TRUE(confirms);

  bool opening = false, mustExist = false;
  QString openDir;
  whenModalOpens([&](QWidget* w) {
    auto* dialog = static_cast<QFileDialog*>(w);
    opening = dialog->acceptMode() == QFileDialog::AcceptOpen;
    mustExist = dialog->fileMode() == QFileDialog::ExistingFile;
    openDir = dialog->directory().absolutePath();
    dialog->reject();
  });
  EXPECT_FALSE(fd::getOpenFileName(u"Load Expression", r.filter, u"exp", dir));
  EXPECT_TRUE(opening);
  EXPECT_TRUE(mustExist);
  EXPECT_EQ(openDir.toStdString(), dir.string());
  std::filesystem::remove_all(dir);
}

// Catches what the seams hand to the desktop instead of starting a browser.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

TEST_F(QtServices, WebMailAndHelpGoToTheDesktopsUrlHandler) {
  UrlCatcher catcher;
  for (const char* scheme : {"http", "https", "mailto", "file"}) QDesktopServices::setUrlHandler(scheme, &catcher, "open");
  EXPECT_TRUE(platform::shell::open(u"www.quorvex.com"));
  EXPECT_TRUE(platform::shell::open(u"mailto:support@quorvex.com"));
  EXPECT_TRUE(platform::help::showHelp(u"CarrowindLabelTool.chm::/statements.html#round"));
  for (const char* scheme : {"http", "https", "mailto", "file"}) QDesktopServices::unsetUrlHandler(scheme);

  ASSERT_EQ(catcher.urls.size(), 3);
  EXPECT_EQ(catcher.urls[0], QUrl("http://www.quorvex.com"));
  EXPECT_EQ(catcher.urls[1], QUrl("mailto:support@quorvex.com"));
  EXPECT_TRUE(catcher.urls[2].isLocalFile());
  EXPECT_TRUE(catcher.urls[2].toLocalFile().endsWith("/docs/help/statements.html")) << catcher.urls[2].toString().toStdString();
  EXPECT_EQ(catcher.urls[2].fragment(), "round");
}

#include "qt_services_test.moc"

}  // namespace
