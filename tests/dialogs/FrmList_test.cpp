// The list chooser, driven as the labeling dialog drives it: filled by the
// caller, shown modally, answered by a click, read back from txtCurrentValue.
#include "dialogs/FrmList.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "tests/dialogs/offscreen_application.h"

namespace {

using dialogs::FrmList;

QApplication& app() { return dialogs_test::offscreenApplication(); }

const QStringList kNumberMethods = {".Average", ".Count", ".First",   ".Last",    ".Maximum",
                                    ".Minimum", ".StdDev", ".Sum",    ".Variance"};

class ListChooser : public ::testing::Test {
 protected:
  // As SelectSummaryType fills it.
  void fill(const QStringList& entries, const QString& preselect) {
    chooser.setWindowTitle("Select Field Summary Type");
    chooser.lblPrompt()->setText("Please select Field summary method:");
    chooser.txtCurrentValue()->setText(QString());
    chooser.lstChoices()->clear();
    chooser.lstChoices()->addItems(entries);
    const auto found = chooser.lstChoices()->findItems(preselect, Qt::MatchFixedString);
    if (!found.isEmpty()) chooser.lstChoices()->setCurrentItem(found.front());
  }

  // Shows the chooser modally and acts on it once its loop runs.
  QString choose(std::function<void()> act) {
    QTimer::singleShot(0, &chooser, [act] { act(); });
    chooser.exec();
    return chooser.txtCurrentValue()->text();
  }

  QListWidgetItem* entry(const QString& text) { return chooser.lstChoices()->findItems(text, Qt::MatchExactly).front(); }

  QApplication& application = app();  // before any widget
  FrmList chooser;
};

TEST_F(ListChooser, WindowAndControls) {
  EXPECT_EQ(chooser.objectName(), "FrmList");
  EXPECT_TRUE(chooser.isModal());
  const Qt::WindowFlags flags = chooser.windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(chooser.minimumSize(), chooser.maximumSize());
  const double scale = chooser.logicalDpiX() / 96.0;
  EXPECT_EQ(chooser.width(), qRound(4680 / 15.0 * scale));
  EXPECT_EQ(chooser.height(), qRound(3450 / 15.0 * scale));

  auto* ok = chooser.findChild<QPushButton*>("CmdOK");
  auto* cancel = chooser.findChild<QPushButton*>("CmdCancel");
  ASSERT_TRUE(ok && cancel);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(cancel->text(), "Cancel");
  ASSERT_TRUE(chooser.findChild<QLabel*>("lblPrompt"));
  auto* list = chooser.findChild<QListWidget*>("lstChoices");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  auto* result = chooser.findChild<QLineEdit*>("txtCurrentValue");
  ASSERT_TRUE(result);
  chooser.show();
  EXPECT_FALSE(result->isVisible());
  // Every control lies inside the client area.
  for (QWidget* w : {static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel), static_cast<QWidget*>(list)})
    EXPECT_TRUE(chooser.rect().contains(w->geometry())) << w->objectName().toStdString();
  chooser.hide();
}

TEST_F(ListChooser, OkReturnsTheChosenEntry) {
  fill(kNumberMethods, ".First");
  EXPECT_EQ(choose([&] { QTest::mouseClick(chooser.CmdOK(), Qt::LeftButton); }), ".First");
  EXPECT_FALSE(chooser.isVisible());

  fill(kNumberMethods, ".First");
  const QString chosen = choose([&] {
    chooser.lstChoices()->setCurrentItem(entry(".Sum"));
    QTest::mouseClick(chooser.CmdOK(), Qt::LeftButton);
  });
  EXPECT_EQ(chosen, ".Sum");
}

TEST_F(ListChooser, DoubleClickReturnsThatEntry) {
  fill({".Count", ".First", ".Last"}, ".First");
  const QString chosen = choose([&] {
    QListWidget* list = chooser.lstChoices();
    const QRect r = list->visualItemRect(entry(".Last"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
  });
  EXPECT_EQ(chosen, ".Last");
  EXPECT_FALSE(chooser.isVisible());
}

TEST_F(ListChooser, CancelCloseBoxAndEscapeKeepTheEmptyResult) {
  const std::function<void()> ways[] = {
      [&] { QTest::mouseClick(chooser.CmdCancel(), Qt::LeftButton); },
      [&] { QTest::keyClick(&chooser, Qt::Key_Escape); },
      [&] { chooser.close(); },
  };
  for (const auto& way : ways) {
    fill(kNumberMethods, ".First");
    chooser.lstChoices()->setCurrentItem(entry(".Variance"));
    EXPECT_EQ(choose(way), QString());
    EXPECT_FALSE(chooser.isVisible());
  }
}

TEST_F(ListChooser, NoChoiceGivesEmptyText) {
  fill({".Count", ".First", ".Last"}, "none of them");
  EXPECT_EQ(choose([&] { chooser.CmdOK()->click(); }), QString());

  fill({".Count", ".First", ".Last"}, ".First");
  chooser.lstChoices()->clearSelection();
  EXPECT_EQ(choose([&] { chooser.CmdOK()->click(); }), QString());
}

}  // namespace
