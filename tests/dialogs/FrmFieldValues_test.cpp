// The field values window on map documents copied into a temporary folder:
// paging by 50, "Show All", the record options, the legend tokens, joined
// fields and nulls, failures and the window's life.
#include "dialogs/FrmFieldValues.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "host/classes.h"
#include "mapdoc/data/open.h"
#include "mapdoc/document.h"
#include "tests/dialogs/offscreen_application.h"
#include "platform/com/class_factory.h"
#include "platform/scripted_ui/scripted_ui.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
namespace mb = platform::messagebox;
using dialogs::FrmFieldValues;
using dialogs::LabelingChoices;

QApplication& app() { return dialogs_test::offscreenApplication(); }

QStringList texts(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

QStringList numbers(int from, int to) {
  QStringList out;
  for (int i = from; i <= to; ++i) out << QString::number(i);
  return out;
}

class FieldValues : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    dir = test_support::scratchDir("cw_fieldvalues_");
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples", dir / "examples", fs::copy_options::recursive);
    ui = std::make_unique<platform::scripted_ui::ScriptedUi>();
  }
  void TearDown() override {
    window.reset();
    doc = nullptr;
    ui.reset();
    fs::remove_all(dir);
  }

  // A point layer of n records: N is the record's number, NAME its text,
  // null at every record whose number is in nullNames.
  fs::path pointsDocument(int n, const std::vector<int>& nullNames = {}, const std::vector<int>& selected = {}) {
    std::ofstream data(dir / "points.geojson");
    data << R"({"type":"FeatureCollection","features":[)";
    for (int i = 1; i <= n; ++i) {
      const bool isNull = std::find(nullNames.begin(), nullNames.end(), i) != nullNames.end();
      data << (i > 1 ? "," : "") << R"({"type":"Feature","id":)" << i << R"(,"properties":{"N":)" << i
           << R"(,"NAME":)" << (isNull ? std::string("null") : "\"point " + std::to_string(i) + "\"")
           << R"(},"geometry":{"type":"Point","coordinates":[)" << i << ",0]}}";
    }
    data << "]}";
    data.close();
    std::string selection;
    for (int id : selected) selection += (selection.empty() ? "" : ",") + std::to_string(id);
    std::ofstream doc(dir / "points.cwmap");
    doc << R"({"format":"carrowind-map","version":1,"layers":[{"name":"Points","type":"feature",)"
        << R"("source":{"path":"points.geojson"},)"
        << (selection.empty() ? "" : R"("selection":[)" + selection + "],")
        << R"("renderer":{"type":"simple","label":"All points"}}],"selected_layer":"Points"})";
    return dir / "points.cwmap";
  }

  // Opens the window on a document as the labeling dialog does, with its
  // field choice and record option.
  void open(const fs::path& file, const QString& fieldName, bool selection = false, bool definitionQuery = false) {
    doc = mapdoc::MapDocument::open(file);
    field = fieldName;
    applySelection = selection;
    applyDefinitionQuery = definitionQuery;
    window = std::make_unique<FrmFieldValues>();
    window->setApplication(doc->application().get());
    window->setLabelingChoices({[this] { return field; }, [this] { return applySelection; },
                                [this] { return applyDefinitionQuery; }});
    window->show();
  }
  fs::path example(const char* name) const { return dir / "examples" / name; }

  host::Ref<host::ILayer> selectedLayer() const {
    auto mx = com::query<host::IMxDocument>(doc.get());
    return com::query<host::ILayer>(mx->CurrentContentsView()->SelectedItem().object().get());
  }

  const mb::Request& message(std::size_t i) const { return ui->messages().at(i).request; }
  QStringList listed() const { return texts(window->lstFieldValues()); }
  QString currentRecord() const { return window->TxtCurrentRecord()->text(); }
  bool pagingEnabled() const {
    EXPECT_EQ(window->CmdShowNext50()->isEnabled(), window->CmdShowAll()->isEnabled());
    return window->CmdShowNext50()->isEnabled();
  }

  fs::path dir;
  std::unique_ptr<platform::scripted_ui::ScriptedUi> ui;
  host::Ref<mapdoc::MapDocument> doc;
  std::unique_ptr<FrmFieldValues> window;
  QString field;
  bool applySelection = false;
  bool applyDefinitionQuery = false;
};

TEST_F(FieldValues, WindowAndControls) {
  open(pointsDocument(3), "N");
  EXPECT_EQ(window->windowTitle(), "Field Values");
  EXPECT_TRUE(window->isModal());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  const double scale = window->logicalDpiX() / 96.0;
  EXPECT_EQ(window->width(), qRound(6120 / 15.0 * scale));
  EXPECT_EQ(window->height(), qRound(4680 / 15.0 * scale));
  const std::pair<const char*, const char*> buttons[] = {
      {"CmdShowNext50", "Show Next 50"}, {"CmdShowAll", "Show All"}, {"CmdCancel", "Cancel"}};
  for (const auto& [name, caption] : buttons) {
    auto* b = window->findChild<QPushButton*>(name);
    ASSERT_TRUE(b) << name;
    EXPECT_EQ(b->text(), caption);
    EXPECT_TRUE(window->rect().contains(b->geometry())) << name;
  }
  ASSERT_TRUE(window->findChild<QListWidget*>("lstFieldValues"));
  auto* record = window->findChild<QLineEdit*>("TxtCurrentRecord");
  ASSERT_TRUE(record);
  EXPECT_FALSE(record->isVisible());
}

TEST_F(FieldValues, PagesOf50Over120Records) {
  open(pointsDocument(120), "N");
  EXPECT_EQ(listed(), numbers(1, 50));
  EXPECT_EQ(currentRecord(), "50");
  EXPECT_TRUE(pagingEnabled());

  window->CmdShowNext50()->click();
  EXPECT_EQ(listed(), numbers(1, 100));
  EXPECT_EQ(currentRecord(), "100");
  EXPECT_TRUE(pagingEnabled());

  window->CmdShowNext50()->click();
  EXPECT_EQ(listed(), numbers(1, 120));
  EXPECT_EQ(currentRecord(), "120");
  EXPECT_FALSE(pagingEnabled());
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(FieldValues, ExactlyFiftyRecords) {
  open(pointsDocument(50), "n");  // field names ignore letter case
  EXPECT_EQ(listed(), numbers(1, 50));
  EXPECT_EQ(currentRecord(), "50");
  EXPECT_TRUE(pagingEnabled());
  window->CmdShowNext50()->click();
  EXPECT_EQ(listed(), numbers(1, 50));
  EXPECT_EQ(currentRecord(), "50");
  EXPECT_FALSE(pagingEnabled());
}

TEST_F(FieldValues, NoRecordsToList) {
  open(pointsDocument(5), "N", true);  // the selection option, nothing selected
  EXPECT_TRUE(listed().isEmpty());
  EXPECT_EQ(currentRecord(), "0");
  EXPECT_FALSE(pagingEnabled());
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(FieldValues, ShowAllReplacesThePagesAndKeepsTheCount) {
  open(pointsDocument(120), "N");
  window->CmdShowAll()->click();
  EXPECT_EQ(listed(), numbers(1, 120));
  EXPECT_EQ(currentRecord(), "50");
  EXPECT_FALSE(pagingEnabled());
}

TEST_F(FieldValues, NullsAreListedAndTheListingGoesOn) {
  open(pointsDocument(60, {3, 55}), "NAME");
  ASSERT_EQ(listed().size(), 50);
  EXPECT_EQ(listed()[1], "point 2");
  EXPECT_EQ(listed()[2], "<Null>");
  EXPECT_EQ(listed()[49], "point 50");
  window->CmdShowNext50()->click();
  ASSERT_EQ(listed().size(), 60);
  EXPECT_EQ(listed()[54], "<Null>");
  EXPECT_EQ(listed()[59], "point 60");
  window->CmdShowAll_Click();
  EXPECT_EQ(listed().count("<Null>"), 2);
  EXPECT_EQ(listed().size(), 60);
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(FieldValues, SelectionOptionListsOnlySelectedRecords) {
  open(pointsDocument(120, {}, {2, 60, 61, 119}), "N", true);
  EXPECT_EQ(listed(), (QStringList{"2", "60", "61", "119"}));
  EXPECT_EQ(currentRecord(), "4");
  EXPECT_FALSE(pagingEnabled());
  window->CmdShowAll_Click();
  EXPECT_EQ(listed(), (QStringList{"2", "60", "61", "119"}));
}

TEST_F(FieldValues, DefinitionQueryOptionListsOnlyItsRecords) {
  const fs::path file = example("definition_query.cwmap");
  open(file, "DISTRICT", false, true);
  auto definition = com::query<host::IFeatureLayerDefinition>(selectedLayer().get());
  auto filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
  filter->WhereClause(definition->DefinitionExpression());
  const int north = com::query<host::ITable>(com::query<host::IFeatureLayer>(selectedLayer().get())->FeatureClass().get())
                        ->RowCount(filter.get());
  ASSERT_GT(north, 0);
  window->CmdShowAll()->click();
  EXPECT_EQ(listed().size(), north);
  EXPECT_EQ(listed().count("North"), north);

  // Without the option every record counts, whatever the layer's query.
  applyDefinitionQuery = false;
  window->CmdShowAll_Click();
  EXPECT_EQ(listed().size(), 168);
  EXPECT_LT(listed().count("North"), 168);
}

TEST_F(FieldValues, JoinedFieldsPageAsTheyListInShowAll) {
  open(example("join.cwmap"), "owners.ONAME");
  const QStringList firstPage = listed();
  EXPECT_TRUE(ui->messages().empty());
  ASSERT_EQ(firstPage.size(), 50);
  EXPECT_TRUE(pagingEnabled());
  window->CmdShowAll()->click();
  const QStringList all = listed();
  ASSERT_EQ(all.size(), 168);
  EXPECT_EQ(all.mid(0, 50), firstPage);
  // Parcels of owner 99 have no owner row, so their joined name is null.
  EXPECT_GT(all.count("<Null>"), 0);
  EXPECT_LT(all.count("<Null>"), 168);
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(FieldValues, SelectionOnAJoinedLayer) {
  open(example("join.cwmap"), "owners.ONAME");
  const QStringList all = [&] {
    window->CmdShowAll()->click();
    return listed();
  }();
  auto layer = selectedLayer();
  auto own = com::query<host::ITable>(com::query<host::IFeatureLayer>(layer.get())->FeatureClass().get());
  com::query<host::IFeatureSelection>(layer.get())->SelectionSet(mapdoc::makeSelectionSet(own.get(), {4, 9, 30}).get());
  applySelection = true;
  window->CmdShowAll_Click();  // the buttons are off after a full listing
  const QStringList selected = listed();
  ASSERT_EQ(selected.size(), 3);
  for (const QString& name : selected) EXPECT_TRUE(all.contains(name)) << name.toStdString();

  window->TxtCurrentRecord()->setText("0");
  window->lstFieldValues()->clear();
  window->CmdShowNext50_Click();
  EXPECT_EQ(listed(), selected);
  EXPECT_EQ(currentRecord(), "3");
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(FieldValues, DefinitionQueryOnAJoinedLayer) {
  open(example("join.cwmap"), "landuse.DISTRICT", false, true);
  ASSERT_EQ(listed().size(), 50);
  auto definition = com::query<host::IFeatureLayerDefinition>(selectedLayer().get());
  // A joined layer's query names its fields qualified.
  definition->DefinitionExpression(u"\"landuse.DISTRICT\" = 'North'");
  window->TxtCurrentRecord()->setText("0");
  window->lstFieldValues()->clear();
  window->CmdShowNext50_Click();
  const QStringList page = listed();
  window->CmdShowAll_Click();
  const QStringList all = listed();
  ASSERT_GT(all.size(), 0);
  EXPECT_LT(all.size(), 168);
  EXPECT_EQ(all.count("North"), all.size());
  EXPECT_EQ(page, all.mid(0, 50));
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(FieldValues, MissingFieldReportsTheStep) {
  open(pointsDocument(5), "NOPE");
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_EQ(message(0).text, u"Field \"NOPE\" does not exist in attribute table! 2");
  EXPECT_EQ(message(0).title, u"Invalid Expression!");
  EXPECT_EQ(message(0).icon, mb::Icon::Critical);
  EXPECT_TRUE(listed().isEmpty());
  window->CmdShowAll()->click();
  ASSERT_EQ(ui->messages().size(), 2u);
  EXPECT_EQ(message(1).text, u"Field \"NOPE\" does not exist in attribute table! 3");
}

TEST_F(FieldValues, NoLayerSelectedReportsStepOne) {
  open(pointsDocument(5), "N");
  ui->clearRecords();
  auto mx = com::query<host::IMxDocument>(doc.get());
  mx->CurrentContentsView()->SelectedItem(host::Value());
  window->lstFieldValues()->clear();
  window->CmdShowNext50_Click();
  ASSERT_EQ(ui->messages().size(), 1u);
  EXPECT_TRUE(message(0).text.ends_with(u" 1"));
  EXPECT_EQ(message(0).title, u"Invalid Expression!");
  EXPECT_TRUE(listed().isEmpty());
}

TEST_F(FieldValues, LegendTokensPerRenderer) {
  for (const char* token : {"$$LABEL", "$$value"}) {
    const bool values = QString(token).compare("$$VALUE", Qt::CaseInsensitive) == 0;
    open(example("unique_values.cwmap"), token);
    auto unique = com::query<host::IUniqueValueRenderer>(
        com::query<host::IGeoFeatureLayer>(selectedLayer().get())->Renderer().get());
    QStringList expected;
    for (int i = 0; i < unique->ValueCount(); ++i)
      expected << QString::fromStdU16String(values ? unique->Value(i) : unique->Label(unique->Value(i)));
    ASSERT_GT(expected.size(), 2);
    EXPECT_EQ(listed(), expected) << token;
    EXPECT_FALSE(pagingEnabled());
    // "Show All" leaves a token's listing alone.
    window->CmdShowAll_Click();
    EXPECT_EQ(listed(), expected);
  }

  open(example("class_breaks.cwmap"), "$$VALUE");
  auto breaks = com::query<host::IClassBreaksRenderer>(
      com::query<host::IGeoFeatureLayer>(selectedLayer().get())->Renderer().get());
  ASSERT_GT(breaks->BreakCount(), 2);
  ASSERT_EQ(listed().size(), breaks->BreakCount());
  for (int i = 0; i < breaks->BreakCount(); ++i) EXPECT_DOUBLE_EQ(listed()[i].toDouble(), breaks->Break(i));
  EXPECT_FALSE(pagingEnabled());
  field = "$$LABEL";
  window->CmdShowNext50_Click();
  ASSERT_EQ(listed().size(), breaks->BreakCount());
  EXPECT_EQ(listed().back(), QString::fromStdU16String(breaks->Label(breaks->BreakCount() - 1)));

  open(example("simple.cwmap"), "$$LABEL");
  EXPECT_EQ(listed(), QStringList{"Parcels"});
  field = "$$VALUE";
  window->CmdShowNext50_Click();
  EXPECT_EQ(listed(), QStringList{"Parcels"});
  EXPECT_FALSE(pagingEnabled());

  // A renderer of another kind lists nothing and leaves the buttons.
  open(example("bivariate_unique.cwmap"), "$$LABEL");
  EXPECT_TRUE(listed().isEmpty());
  EXPECT_TRUE(pagingEnabled());
  EXPECT_TRUE(ui->messages().empty());
}

TEST_F(FieldValues, CancelUnloadsAndTheNextShowStartsAgain) {
  open(pointsDocument(120), "N");
  window->CmdShowNext50()->click();
  ASSERT_EQ(currentRecord(), "100");
  window->CmdCancel()->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(currentRecord(), "0");
  EXPECT_TRUE(listed().isEmpty());

  window->show();
  EXPECT_EQ(listed(), numbers(1, 50));
  EXPECT_EQ(currentRecord(), "50");
}

TEST_F(FieldValues, ModalUnderTheLabelingDialogReadingItsControls) {
  doc = mapdoc::MapDocument::open(pointsDocument(70, {}, {5, 6}));
  QWidget dialog;
  auto* fields = new QListWidget(&dialog);
  fields->setObjectName("LstLabelFields");
  fields->addItems({"$$LABEL", "$$VALUE", "N", "NAME"});
  fields->setCurrentRow(2);
  auto* all = new QRadioButton(&dialog);
  all->setObjectName("OptApplyAll");
  auto* selection = new QRadioButton(&dialog);
  selection->setObjectName("OptApplySelection");
  auto* query = new QRadioButton(&dialog);
  query->setObjectName("OptApplyDefinitionQuery");
  all->setChecked(true);
  dialog.show();

  FrmFieldValues values(&dialog);
  values.setApplication(doc->application().get());
  values.centreOn(&dialog);
  QStringList seen;
  QTimer::singleShot(0, &values, [&] {
    seen = texts(values.lstFieldValues());
    selection->setChecked(true);
    values.CmdShowAll()->click();
    seen << texts(values.lstFieldValues());
    values.CmdCancel()->click();
  });
  values.exec();
  EXPECT_EQ(seen, numbers(1, 50) + QStringList({"5", "6"}));
  EXPECT_FALSE(values.isVisible());
  EXPECT_TRUE(ui->messages().empty());
}

}  // namespace
