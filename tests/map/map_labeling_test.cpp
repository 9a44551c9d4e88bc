// The labeling command from the table of contents' context menu, end to
// end: the dialog it opens, an Apply that rewrites the legend, and what the
// table of contents, the page layout and the saved document show after.
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "apps/carrowind-map/render/label_lines.h"
#include "apps/carrowind-map/ui/layout_view.h"
#include "apps/carrowind-map/ui/map_canvas.h"
#include "map_fixture.h"
#include "mapdoc/legend.h"
#include "platform/progress/progress.h"
#include "platform/text/utf.h"

namespace carrowind::map::testing {
namespace {

const QString kExpression = QStringLiteral("[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)");

template <class W>
W* control(QWidget& dialog, const char* name) {
  W* w = dialog.findChild<W*>(QLatin1String(name));
  EXPECT_TRUE(w) << name;
  return w;
}

// Runs the labeling command from the layer's context menu; inside() works
// the dialog, which is closed ("Done") after it.
void label(QAction* command, const std::function<void(QWidget&)>& inside) {
  whileModal([command] { command->trigger(); },
                            [&](QWidget& dialog) {
                              inside(dialog);
                              control<QPushButton>(dialog, "CmdCancel")->click();
                            });
}

TEST_F(MapWindowTest, TheCommandOpensTheDialogForTheRightClickedLayer) {
  open("landuse.cwmap");
  auto* view = window_->mapView();
  // Parcel size has no selection of its own yet: select half its parcels on the map.
  window_->contents()->setCurrentItem(window_->contents()->itemOf(layer(u"Parcel size").get()));
  view->setTool(MapCanvas::Tool::Select);
  ASSERT_GT(view->selectInRectangle(QRect(0, 0, view->width() / 2, view->height()), false), 0);

  for (const auto& [name, selectionEnabled] : {std::pair{u"Parcel size", true}, std::pair{u"Countries", false}}) {
    SCOPED_TRACE(text::toUtf8(name));
    auto menu = menuFor(name);
    QStringList fields;
    bool selection = false, all = false;
    label(commandActions(*menu).at(0), [&](QWidget& dialog) {
      auto* list = control<QListWidget>(dialog, "LstLabelFields");
      for (int i = 0; i < list->count(); ++i) fields << list->item(i)->text();
      selection = control<QRadioButton>(dialog, "OptApplySelection")->isEnabled();
      all = control<QRadioButton>(dialog, "OptApplyAll")->isChecked();
    });
    ASSERT_GE(fields.size(), 3);
    EXPECT_EQ(fields.mid(0, 2), (QStringList{"$$LABEL", "$$VALUE"}));
    // The fields of the layer that was clicked, not of the one chosen before.
    EXPECT_EQ(fields.contains(QStringLiteral("continent")), name == std::u16string(u"Countries"));
    EXPECT_EQ(selection, selectionEnabled);
    EXPECT_TRUE(all);
  }
}

TEST_F(MapWindowTest, ApplyRelabelsTheContentsAndTheLayoutLegendAndIsSaved) {
  open("landuse.cwmap");
  const QStringList before = contentsRows(u"Land use");
  auto frame = doc().pageLayout()->frames().at(0);
  const double widthBefore = frame->Geometry()->Width();
  const QImage pageBefore = window_->layoutView()->page();
  ASSERT_FALSE(pageBefore.isNull());

  auto menu = menuFor(u"Land use");
  QStringList rowsWhileOpen;
  label(commandActions(*menu).at(0), [&](QWidget& dialog) {
    control<QCheckBox>(dialog, "chkWrapLabels")->setChecked(true);
    control<QLineEdit>(dialog, "txtWrapLength")->setText(QStringLiteral("16"));
    control<QPlainTextEdit>(dialog, "TxtExpression")->setPlainText(kExpression);
    control<QPushButton>(dialog, "CmdApply")->click();
    rowsWhileOpen = contentsRows(u"Land use");
  });
  EXPECT_TRUE(ui_->messages().empty());

  // The legend's labels wrap; the table of contents shows each on one line.
  const auto labels = legendLabels(u"Land use");
  ASSERT_EQ(labels.size(), static_cast<std::size_t>(before.size()));
  QStringList expected;
  for (const auto& l : labels) expected << render::oneLineLabel(l);
  EXPECT_NE(expected, before);
  EXPECT_TRUE(expected.front().startsWith(QStringLiteral("AGRICULTURAL - "))) << expected.front().toStdString();
  EXPECT_TRUE(render::labelLines(labels.front()).size() > 1);
  EXPECT_EQ(rowsWhileOpen, expected);  // redrawn when the dialog said so
  EXPECT_EQ(contentsRows(u"Land use"), expected);
  for (const auto& row : contentsRows(u"Land use")) EXPECT_FALSE(row.contains(QChar(u'\n')));

  // The page's legend was re-fitted to its longer labels and drawn again.
  EXPECT_NE(frame->Geometry()->Width(), widthBefore);
  EXPECT_NE(window_->layoutView()->page(), pageBefore);
  EXPECT_TRUE(window_->isWindowModified());
  // The labeler's progress went through the status bar and is gone again.
  EXPECT_TRUE(window_->hostStatusBar().Message(0).empty());
  EXPECT_FALSE(window_->hostStatusBar().progressBar()->isVisible());

  ASSERT_TRUE(window_->save());
  EXPECT_FALSE(window_->isWindowModified());
  window_->newDocument();
  EXPECT_EQ(savePrompts_, 0);
  open("landuse.cwmap");
  EXPECT_EQ(contentsRows(u"Land use"), expected);
  EXPECT_EQ(legendLabels(u"Land use"), labels);
}

// A QGIS project is relabelled in the window like a map document of ours and
// saved back into QGIS's own file.
TEST_F(MapWindowTest, AQgisProjectIsRelabelledAndSavedInPlace) {
  open("parcels.qgs");
  const QStringList before = contentsRows(u"Parcels");
  ASSERT_GT(before.size(), 2);
  auto menu = menuFor(u"Parcels");
  ASSERT_FALSE(commandActions(*menu).empty());
  label(commandActions(*menu).at(0), [&](QWidget& dialog) {
    control<QCheckBox>(dialog, "chkWrapLabels")->setChecked(false);
    control<QPlainTextEdit>(dialog, "TxtExpression")->setPlainText(QStringLiteral("[USE].First ([USE].Count)"));
    control<QPushButton>(dialog, "CmdApply")->click();
  });
  EXPECT_TRUE(ui_->messages().empty());
  const QStringList after = contentsRows(u"Parcels");
  EXPECT_NE(after, before);
  ASSERT_TRUE(window_->save());

  auto reread = mapdoc::MapDocument::open(map("parcels.qgs"));
  auto geo = com::query<host::IGeoFeatureLayer>(reread->layer(u"Parcels").get());
  auto classes = com::query<host::IRendererClasses>(geo->Renderer().get());
  ASSERT_EQ(classes->ClassCount(), after.size());
  for (int c = 0; c < classes->ClassCount(); ++c)
    EXPECT_EQ(QString::fromStdU16String(classes->Class(c)), after[c]);
}

TEST_F(MapWindowTest, TheStatusBarShowsMessagesAndTheLabelersProgress) {
  auto& status = window_->hostStatusBar();
  host::Ref<host::IStatusBar> bar(&status);
  auto progress = bar->ProgressAnimation();
  QProgressBar* shown = status.progressBar();
  bar->Message(0, u"Creating Symbol Labels...");
  EXPECT_EQ(status.messageLabel()->text(), QStringLiteral("Creating Symbol Labels..."));
  progress->Show();
  progress->Play();
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(shown->maximum(), 0);  // busy until the work says how far it is
  // Work that runs on the window's thread lets it repaint while it reports.
  bool eventsRan = false;
  QTimer::singleShot(0, [&] { eventsRan = true; });
  platform::progress::report(3, 12);
  EXPECT_EQ(shown->maximum(), 12);
  EXPECT_EQ(shown->value(), 3);
  EXPECT_TRUE(eventsRan);
  platform::progress::report(4, 0);
  EXPECT_EQ(shown->maximum(), 0);  // how far is not known: busy again
  progress->Stop();
  progress->Hide();
  platform::progress::report(4, 12);  // not playing: not shown
  EXPECT_FALSE(shown->isVisible());
  EXPECT_NE(shown->value(), 4);
  bar->Message(0, u"");
  EXPECT_TRUE(status.messageLabel()->text().isEmpty());
}

}  // namespace
}  // namespace carrowind::map::testing
