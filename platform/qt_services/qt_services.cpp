#include "platform/qt_services/qt_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QUrl>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/beep/system_beep.h"
#include "platform/filedialog/file_dialog.h"
#include "platform/help/help.h"
#include "platform/inputbox/input_box.h"
#include "platform/messagebox/message_box.h"
#include "platform/shell/shell_open.h"

namespace platform::qt_services {
namespace mb = platform::messagebox;
namespace {

struct Previous {
  mb::Handler message;
  inputbox::Handler input;
  filedialog::Handler file;
  support::BeepHandler beep;
  shell::Handler shell;
  help::Handler help;
};

// Touched on the GUI thread only.
QPointer<QWidget> g_owner;
Previous* g_previous = nullptr;

QWidget* parentWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return g_owner.data();
}

QString toQt(const std::u16string& s) { return QString::fromStdU16String(s); }

// The callers' texts break lines the Windows way.
QString toQtLines(const std::u16string& s) { return toQt(s).replace(QLatin1String("\r\n"), QLatin1String("\n")); }

// A box may be asked for from a worker; windows live on the GUI thread.
template <typename F>
auto onGuiThread(F&& f) -> decltype(f()) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) return f();
  decltype(f()) result{};
  QMetaObject::invokeMethod(app, [&] { result = f(); }, Qt::BlockingQueuedConnection);
  return result;
}

QMessageBox::Icon qtIcon(mb::Icon icon) {
  switch (icon) {
    case mb::Icon::Critical: return QMessageBox::Critical;
    case mb::Icon::Question: return QMessageBox::Question;
    case mb::Icon::Exclamation: return QMessageBox::Warning;
    case mb::Icon::Information: return QMessageBox::Information;
    case mb::Icon::None: break;
  }
  return QMessageBox::NoIcon;
}

struct ButtonSet {
  std::vector<QMessageBox::StandardButton> buttons;
  QMessageBox::StandardButton escape;  // what Escape or the close box answers
};

ButtonSet qtButtons(mb::Buttons buttons) {
  using Q = QMessageBox;
  switch (buttons) {
    case mb::Buttons::OkCancel: return {{Q::Ok, Q::Cancel}, Q::Cancel};
    case mb::Buttons::YesNo: return {{Q::Yes, Q::No}, Q::No};
    case mb::Buttons::YesNoCancel: return {{Q::Yes, Q::No, Q::Cancel}, Q::Cancel};
    case mb::Buttons::RetryCancel: return {{Q::Retry, Q::Cancel}, Q::Cancel};
    case mb::Buttons::Ok: break;
  }
  return {{Q::Ok}, Q::Ok};
}

mb::Result resultOf(QMessageBox::StandardButton button, mb::Buttons buttons) {
  switch (button) {
    case QMessageBox::Ok: return mb::Result::Ok;
    case QMessageBox::Cancel: return mb::Result::Cancel;
    case QMessageBox::Yes: return mb::Result::Yes;
    case QMessageBox::No: return mb::Result::No;
    case QMessageBox::Retry: return mb::Result::Retry;
    default: break;
  }
  // Closed without a button (the box was destroyed): the escape answer.
  switch (buttons) {
    case mb::Buttons::Ok: return mb::Result::Ok;
    case mb::Buttons::YesNo: return mb::Result::No;
    default: return mb::Result::Cancel;
  }
}

mb::Result showMessage(const mb::Request& r) {
  QMessageBox box(parentWindow());
  box.setWindowTitle(toQt(r.title));
  // Messages quote the user's data ("<all other values>"), never markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(toQtLines(r.text));
  box.setIcon(qtIcon(r.icon));
  const ButtonSet set = qtButtons(r.buttons);
  bool first = true;
  for (auto b : set.buttons) {
    QPushButton* button = box.addButton(b);
    if (first) box.setDefaultButton(button);
    first = false;
  }
  box.setEscapeButton(set.escape);
  box.exec();
  return resultOf(box.standardButton(box.clickedButton()), r.buttons);
}

std::optional<std::u16string> showInput(const inputbox::Request& r) {
  QInputDialog dialog(parentWindow());
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setWindowTitle(toQt(r.title));
  dialog.setLabelText(toQtLines(r.prompt));
  dialog.setTextValue(toQt(r.defaultText));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdU16String();
}

QString pathToQt(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

std::optional<std::filesystem::path> showFileDialog(const filedialog::Request& r) {
  QFileDialog dialog(parentWindow(), toQt(r.title));
  const bool open = r.mode == filedialog::Mode::Open;
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(open && r.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, open || !r.overwritePrompt);
  QStringList filters;
  for (const auto& f : filedialog::toNameFilters(filedialog::parseFilter(r.filter))) filters << toQt(f);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = r.filterIndex >= 1 && r.filterIndex <= filters.size() ? r.filterIndex - 1 : 0;
    dialog.selectNameFilter(filters[index]);
  }
  std::u16string extension = r.defaultExtension;
  while (!extension.empty() && extension.front() == u'.') extension.erase(0, 1);
  if (!extension.empty()) dialog.setDefaultSuffix(toQt(extension));
  if (!r.initialPath.empty()) {
    std::error_code ec;
    if (std::filesystem::is_directory(r.initialPath, ec)) {
      dialog.setDirectory(pathToQt(r.initialPath));
    } else {
      if (r.initialPath.has_parent_path()) dialog.setDirectory(pathToQt(r.initialPath.parent_path()));
      dialog.selectFile(pathToQt(r.initialPath.filename()));
    }
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return std::filesystem::path(chosen.front().toStdString());
}

bool openUrl(const QUrl& url) {
  if (!url.isValid()) return false;
  return QDesktopServices::openUrl(url);
}

}  // namespace

void installQtServices(QWidget* owner) {
  g_owner = owner;
  if (g_previous) return;
  g_previous = new Previous;
  g_previous->message = mb::setHandler([](const mb::Request& r) { return onGuiThread([&] { return showMessage(r); }); });
  g_previous->input = inputbox::setHandler(
      [](const inputbox::Request& r) { return onGuiThread([&] { return showInput(r); }); });
  g_previous->file = filedialog::setHandler(
      [](const filedialog::Request& r) { return onGuiThread([&] { return showFileDialog(r); }); });
  g_previous->beep = support::setBeepHandler([] { onGuiThread([] { QApplication::beep(); return 0; }); });
  g_previous->shell = shell::setHandler([](const std::u16string& address) {
    return onGuiThread([&] { return openUrl(QUrl(toQt(address), QUrl::StrictMode)); });
  });
  g_previous->help = help::setHandler([](const help::Page& page) {
    return onGuiThread([&] {
      QUrl url = QUrl::fromLocalFile(pathToQt(page.file));
      if (!page.anchor.empty()) url.setFragment(toQt(page.anchor));
      return openUrl(url);
    });
  });
}

void uninstallQtServices() {
  if (!g_previous) return;
  mb::setHandler(std::move(g_previous->message));
  inputbox::setHandler(std::move(g_previous->input));
  filedialog::setHandler(std::move(g_previous->file));
  support::setBeepHandler(std::move(g_previous->beep));
  shell::setHandler(std::move(g_previous->shell));
  help::setHandler(std::move(g_previous->help));
  delete g_previous;
  g_previous = nullptr;
  g_owner = nullptr;
}

}  // namespace platform::qt_services
