// MakeLabels and VerifyExpression on the sample map documents. Expected
// counts and sums come from walking the layer's table through the host in
// the test itself, grouped by the test's own reading of each class.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "engine/labeler_object.h"
#include "host/classes.h"
#include "mapdoc/document.h"
#include "sample_documents.h"
#include "platform/com/class_factory.h"
#include "message_box_capture.h"
#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace {

namespace fs = std::filesystem;
using engine::QVXCarrowind;
using host::Text;

using engine_test::kExamples;
using engine_test::open;
using engine_test::Sample;

// A sample document rewritten for one test: data paths made absolute, then
// the given replacements applied to its text.
fs::path variant(const char* file, const std::vector<std::pair<std::string, std::string>>& edits) {
  std::ifstream in(kExamples / file);
  std::stringstream buf;
  buf << in.rdbuf();
  std::string text = buf.str();
  auto replaceAll = [&](const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
      text.replace(at, from.size(), to);
    }
  };
  replaceAll("\"data/", "\"" + (kExamples / "data").string() + "/");
  for (auto& [from, to] : edits) replaceAll(from, to);
  const fs::path out = fs::temp_directory_path() / ("cw_label_making_" + std::to_string(::getpid()) + "_" + file);
  std::ofstream(out) << text;
  return out;
}

std::vector<Text> labels(QVXCarrowind& l) {
  std::vector<Text> out;
  auto c = l.Labels();
  for (int i = 1; i <= c->Count(); ++i) out.push_back(c->Item(i));
  return out;
}

// One record as the test reads it: every field's value by name.
using Record = std::map<Text, com::Variant>;

std::vector<Record> records(host::ITable* table) {
  auto cls = host::Ref<host::ITable>(table).as<host::IClass>();
  auto fields = cls->Fields();
  std::vector<Record> out;
  auto cursor = table->Search(nullptr, false);
  while (auto row = cursor->NextRow()) {
    Record r;
    for (int i = 0; i < fields->FieldCount(); ++i) r[fields->Field(i)->Name()] = row->Value(i);
    if (row->HasOID()) r[u"#OID"] = row->OID();
    out.push_back(std::move(r));
  }
  return out;
}

std::vector<Record> layerRecords(const Sample& s) {
  auto fc = s.layer.as<host::IFeatureLayer>()->FeatureClass();
  return records(fc.as<host::ITable>().get());
}

Text str(const com::Variant& v) { return platform::format::toText(v); }
double num(const com::Variant& v) { return v.isNumber() ? v.toDouble() : 0.0; }

struct Tally {
  int count = 0;
  double sum = 0;
  Text first;
};

// "count|sum" labels against tallies; classes without records are skipped.
void expectCountsAndSums(const std::vector<Text>& got, const std::vector<Tally>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (want[i].count == 0) {
      EXPECT_EQ(got[i], u"$$SKIPPED") << i;
      continue;
    }
    const std::string label = text::toUtf8(got[i]);
    const auto bar = label.find('|');
    ASSERT_NE(bar, std::string::npos) << label;
    EXPECT_EQ(std::stoi(label.substr(0, bar)), want[i].count) << i << " " << label;
    EXPECT_NEAR(std::stod(label.substr(bar + 1)), want[i].sum, 1e-6) << i << " " << label;
  }
}

std::vector<Text> classValues(const host::Ref<host::IFeatureRenderer>& r) {
  auto u = r.as<host::IUniqueValueRenderer>();
  std::vector<Text> out;
  for (int i = 0; i < u->ValueCount(); ++i) out.push_back(u->Value(i));
  return out;
}

// Tallies of USE per class, plus the default class when the renderer has one.
std::vector<Tally> tallyByValue(const std::vector<Record>& rows, const Text& field, const std::vector<Text>& values,
                                bool withDefault, const std::function<bool(const Record&)>& keep,
                                const Text& summed = u"ACRES") {
  std::vector<Tally> out(values.size() + (withDefault ? 1 : 0));
  for (auto& r : rows) {
    if (!keep(r)) continue;
    std::size_t k = 0;
    while (k < values.size() && str(r.at(field)) != values[k]) ++k;
    if (k == values.size() && !withDefault) continue;
    out[k].count++;
    out[k].sum += num(r.at(summed));
  }
  return out;
}

class LabelMaking : public testing::Test {
 protected:
  void SetUp() override { platform::locale::setOverride("en_US"); }
  void TearDown() override { platform::locale::setOverride(""); }
  com::ComPtr<QVXCarrowind> l = com::make<QVXCarrowind>();
};

TEST_F(LabelMaking, SimpleRendererSummarisesTheWholeLayer) {
  auto s = open("simple.cwmap");
  auto rows = layerRecords(s);
  Tally all;
  for (auto& r : rows) all.count++, all.sum += num(r.at(u"ACRES"));
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[USE].Count|[ACRES].Sum$$VALUE")) << text::toUtf8(l->Message());
  expectCountsAndSums(labels(*l), {all});
  ASSERT_TRUE(l->SetLabels(s.layer.get()));
  EXPECT_EQ(s.renderer.as<host::ISimpleRenderer>()->Label(), labels(*l)[0]);
}

TEST_F(LabelMaking, UniqueValuesCountAndSumPerClass) {
  for (const char* file : {"unique_values.cwmap", "unique_values_default.cwmap", "bivariate_unique.cwmap"}) {
    auto s = open(file);
    auto main = s.renderer;
    if (auto b = main.as<host::IBivariateRenderer>()) main = b->MainRenderer();
    const bool withDefault = main.as<host::IUniqueValueRenderer>()->UseDefaultSymbol();
    auto want = tallyByValue(layerRecords(s), u"USE", classValues(main), withDefault, [](auto&) { return true; });
    auto l2 = com::make<QVXCarrowind>();
    ASSERT_TRUE(l2->MakeLabels(s.layer.get(), u"[USE].Count|[ACRES].Sum")) << file << text::toUtf8(l2->Message());
    expectCountsAndSums(labels(*l2), want);
  }
}

TEST_F(LabelMaking, LegendTokensPerRenderer) {
  {
    auto s = open("unique_values_default.cwmap");
    auto classes = s.renderer.as<host::IRendererClasses>();
    ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"$$VALUE=$$label")) << text::toUtf8(l->Message());
    auto got = labels(*l);
    ASSERT_EQ(static_cast<int>(got.size()), classes->ClassCount());
    for (int i = 0; i + 1 < classes->ClassCount(); ++i) {
      EXPECT_EQ(got[i], s.renderer.as<host::IUniqueValueRenderer>()->Value(i) + u"=" + classes->Class(i));
    }
    EXPECT_EQ(got.back(), u"<all other values>=" + classes->Class(classes->ClassCount() - 1));
  }
  {
    auto s = open("class_breaks.cwmap");
    auto breaks = s.renderer.as<host::IClassBreaksRenderer>();
    ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"$$VALUE=$$LABEL")) << text::toUtf8(l->Message());
    auto got = labels(*l);
    ASSERT_EQ(static_cast<int>(got.size()), breaks->BreakCount());
    for (int i = 0; i < breaks->BreakCount(); ++i) {
      EXPECT_EQ(got[i], platform::format::numberText(breaks->Break(i)) + u"=" + breaks->Label(i));
    }
  }
  {
    auto s = open("simple.cwmap");
    ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"<$$VALUE>$$LABEL"));
    EXPECT_EQ(labels(*l), std::vector<Text>{u"<>" + s.renderer.as<host::ISimpleRenderer>()->Label()});
  }
}

TEST_F(LabelMaking, ClassBreaksAndTheirBivariateTwin) {
  for (const char* file : {"class_breaks.cwmap", "bivariate_breaks.cwmap"}) {
    auto s = open(file);
    auto main = s.renderer;
    if (auto b = main.as<host::IBivariateRenderer>()) main = b->MainRenderer();
    auto breaks = main.as<host::IClassBreaksRenderer>();
    std::vector<Tally> want(static_cast<std::size_t>(breaks->BreakCount()));
    for (auto& r : layerRecords(s)) {
      if (!r.at(u"ACRES").isNumber()) continue;  // a null falls in no class
      const double acres = num(r.at(u"ACRES"));
      for (int i = 0; i < breaks->BreakCount(); ++i) {
        // Class 0 has no lower bound; a value equal to a break is its class's.
        if (acres <= breaks->Break(i) && (i == 0 || acres > breaks->Break(i - 1))) {
          want[i].count++;
          want[i].sum += acres;
          break;
        }
      }
    }
    auto l2 = com::make<QVXCarrowind>();
    ASSERT_TRUE(l2->MakeLabels(s.layer.get(), u"[ACRES].Count|[ACRES].Sum")) << file << text::toUtf8(l2->Message());
    expectCountsAndSums(labels(*l2), want);
  }
}

// Breaks made from the data (quantiles, natural breaks) lie on records'
// values with every digit a double holds; each such record belongs to the
// class whose upper break it is, as the map draws it.
TEST_F(LabelMaking, ARecordLyingOnABreakStaysInItsClass) {
  const std::vector<std::pair<std::string, std::string>> onWorld = {
      {"/landuse.shp\"", "/world/world.gpkg\""}, {"\"ACRES\"", "\"area_km2\""}, {"\"min_break\": 1.2", "\"min_break\": 0"}};
  std::vector<double> areas;
  for (auto& r : layerRecords(engine_test::open(variant("class_breaks.cwmap", onWorld))))
    if (r.at(u"area_km2").isNumber()) areas.push_back(num(r.at(u"area_km2")));
  std::sort(areas.begin(), areas.end());
  ASSERT_GT(areas.size(), 100u);
  const std::vector<double> breaks = {areas[areas.size() / 4], areas[areas.size() / 2], areas[areas.size() * 3 / 4],
                                      areas.back()};
  auto edits = onWorld;
  const char* uppers[] = {"\"upper\": 2.5,", "\"upper\": 4,", "\"upper\": 6,", "\"upper\": 8.5,"};
  for (std::size_t i = 0; i < breaks.size(); ++i) {
    char exact[32];
    *std::to_chars(exact, exact + sizeof exact, breaks[i]).ptr = '\0';
    edits.emplace_back(uppers[i], std::string("\"upper\": ") + exact + ",");
  }
  auto s = engine_test::open(variant("class_breaks.cwmap", edits));
  std::vector<Tally> want(breaks.size());
  for (double a : areas) {
    for (std::size_t i = 0; i < breaks.size(); ++i) {
      if (a <= breaks[i]) {
        want[i].count++;
        want[i].sum += a;
        break;
      }
    }
  }
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[area_km2].Count|[area_km2].Sum")) << text::toUtf8(l->Message());
  expectCountsAndSums(labels(*l), want);
}

TEST_F(LabelMaking, DefinitionQueryOnAndOff) {
  auto s = open("definition_query.cwmap");
  auto rows = layerRecords(s);
  for (bool apply : {true, false}) {
    auto l2 = com::make<QVXCarrowind>();
    l2->ApplyDefinitionQuery(apply);
    auto want = tallyByValue(rows, u"USE", classValues(s.renderer), true,
                             [&](const Record& r) { return !apply || str(r.at(u"DISTRICT")) == u"North"; });
    ASSERT_TRUE(l2->MakeLabels(s.layer.get(), u"[USE].Count|[ACRES].Sum")) << text::toUtf8(l2->Message());
    expectCountsAndSums(labels(*l2), want);
  }
}

// The layer holds only its definition selection set: counts and statistics
// alike come from it, and a current selection narrows it further.
TEST_F(LabelMaking, DefinitionSelectionIsTheLayersRecordsForEverySummary) {
  auto s = open("definition_selection.cwmap");
  auto ids = s.layer.as<host::IFeatureLayerDefinition>()->DefinitionSelectionSet()->IDs();
  const std::set<std::int32_t> inLayer(ids.begin(), ids.end());
  auto values = classValues(s.renderer);
  auto rows = layerRecords(s);
  auto inSet = tallyByValue(rows, u"USE", values, true, [&](const Record& r) {
    return inLayer.count(r.at(u"#OID").int32()) > 0;
  });
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[USE].Count|[ACRES].Sum")) << text::toUtf8(l->Message());
  expectCountsAndSums(labels(*l), inSet);

  // Select every other record of the table, half of them outside the layer.
  auto selection = s.layer.as<host::IFeatureSelection>()->SelectionSet();
  std::set<std::int32_t> chosen;
  for (std::size_t i = 0; i < rows.size(); i += 2) {
    chosen.insert(rows[i].at(u"#OID").int32());
    selection->Add(rows[i].at(u"#OID").int32());
  }
  auto l2 = com::make<QVXCarrowind>();
  l2->ApplySelectionSet(true);
  auto both = tallyByValue(rows, u"USE", values, true, [&](const Record& r) {
    const auto id = r.at(u"#OID").int32();
    return inLayer.count(id) > 0 && chosen.count(id) > 0;
  });
  ASSERT_TRUE(l2->MakeLabels(s.layer.get(), u"[USE].Count|[ACRES].Sum")) << text::toUtf8(l2->Message());
  expectCountsAndSums(labels(*l2), both);
}

TEST_F(LabelMaking, CurrentSelectionIsHonouredOnlyWhenAsked) {
  auto s = open("unique_values_default.cwmap");
  auto selection = s.layer.as<host::IFeatureSelection>()->SelectionSet();
  auto rows = layerRecords(s);
  std::set<std::int32_t> chosen;
  for (std::size_t i = 0; i < rows.size(); i += 4) {
    chosen.insert(rows[i].at(u"#OID").int32());
    selection->Add(rows[i].at(u"#OID").int32());
  }
  auto values = classValues(s.renderer);
  for (bool honour : {true, false}) {
    auto l2 = com::make<QVXCarrowind>();
    l2->ApplySelectionSet(honour);
    auto want = tallyByValue(rows, u"USE", values, true, [&](const Record& r) {
      return !honour || chosen.count(r.at(u"#OID").int32()) > 0;
    });
    ASSERT_TRUE(l2->MakeLabels(s.layer.get(), u"[USE].Count|[ACRES].Sum")) << text::toUtf8(l2->Message());
    expectCountsAndSums(labels(*l2), want);
  }
  // Without a selection the option changes nothing.
  s.layer.as<host::IFeatureSelection>()->Clear();
  l->ApplySelectionSet(true);
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[USE].Count|[ACRES].Sum"));
  expectCountsAndSums(labels(*l), tallyByValue(rows, u"USE", values, true, [](auto&) { return true; }));
}

TEST_F(LabelMaking, JoinedTableWithAStringKeyKeepsQuotedValuesWhole) {
  auto s = open("join.cwmap");
  auto table = s.layer.as<host::IDisplayTable>()->DisplayTable();
  auto want = tallyByValue(records(table.get()), u"landuse.USE", classValues(s.renderer), false,
                           [](auto&) { return true; }, u"landuse.ACRES");
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[landuse.USE].Count|[landuse.ACRES].Sum")) << text::toUtf8(l->Message());
  EXPECT_TRUE(l->fields().TableIsJoined);
  expectCountsAndSums(labels(*l), want);
  // "Women's Center" is one of the classes: its quote must not break the clause.
  auto values = classValues(s.renderer);
  ASSERT_NE(std::find(values.begin(), values.end(), u"Women's Center"), values.end());
}

TEST_F(LabelMaking, JoinedTableWithANumericKeyAndItsDefaultClass) {
  auto file = variant("join.cwmap", {{"\"landuse.USE\"", "\"owners.OWNER_ID\""},
                                     {"\"Agricultural\"", "\"1\""},
                                     {"\"Commercial\"", "\"2\""},
                                     {"\"Crèche\"", "\"3\""}});
  // Keep three value classes and let every other record fall to the default.
  std::ifstream in(file);
  std::stringstream buf;
  buf << in.rdbuf();
  std::string text = buf.str();
  auto cut = text.find("\"Industrial\"");
  ASSERT_NE(cut, std::string::npos);
  cut = text.rfind("{", text.rfind("\"values\"", cut));
  auto end = text.find("\"field_delimiter\"") == std::string::npos ? 0 : text.find("]", text.find("\"Women's Center\""));
  end = text.find("]", text.find("}", text.find("}", end) + 1) + 1);
  text = text.substr(0, text.rfind(",", cut)) + "], \"default\": {\"label\": \"others\"}" + text.substr(end + 1);
  std::ofstream(file) << text;

  auto s = open(file);
  fs::remove(file);
  auto table = s.layer.as<host::IDisplayTable>()->DisplayTable();
  auto values = classValues(s.renderer);
  ASSERT_EQ(values, (std::vector<Text>{u"1", u"2", u"3"}));
  std::vector<Tally> want(4);
  for (auto& r : records(table.get())) {
    const Text id = str(r.at(u"owners.OWNER_ID"));
    std::size_t k = 0;
    while (k < values.size() && id != values[k]) ++k;
    want[k].count++;
    want[k].sum += num(r.at(u"landuse.ACRES"));
  }
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[landuse.USE].Count|[landuse.ACRES].Sum")) << text::toUtf8(l->Message());
  expectCountsAndSums(labels(*l), want);
}

TEST_F(LabelMaking, ClassesKeptApartByPosition) {
  // Two values differing only in case: each class keeps its own summaries,
  // whatever records the host's clause gives it.
  auto file = variant("unique_values.cwmap", {{"\"Commercial\"", "\"AGRICULTURAL\""}});
  auto s = open(file);
  fs::remove(file);
  auto classes = s.renderer.as<host::IRendererClasses>();
  auto fc = s.layer.as<host::IFeatureLayer>()->FeatureClass();
  auto table = fc.as<host::ITable>();
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[USE].Count|$$VALUE")) << text::toUtf8(l->Message());
  auto got = labels(*l);
  ASSERT_EQ(static_cast<int>(got.size()), classes->ClassCount());
  for (int i = 0; i < 2; ++i) {
    host::Ref<host::IQueryFilter> filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
    filter->WhereClause(classes->WhereClause(i, table.get()));
    const int n = table->RowCount(filter.get());
    const Text value = s.renderer.as<host::IUniqueValueRenderer>()->Value(i);
    EXPECT_EQ(got[i], n == 0 ? Text(u"$$SKIPPED") : text::fromUtf8(std::to_string(n)) + u"|" + value);
  }
}

TEST_F(LabelMaking, SkippedStaysSetAndFailureHidesLabels) {
  auto skipping = variant("unique_values.cwmap", {{"\"Commercial\"", "\"Nowhere\""}});
  auto s = open(skipping);
  fs::remove(skipping);
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[USE].Count"));
  EXPECT_EQ(labels(*l)[1], u"$$SKIPPED");
  EXPECT_TRUE(l->SkippedLegendItems());
  auto full = open("unique_values.cwmap");
  ASSERT_TRUE(l->MakeLabels(full.layer.get(), u"[USE].Count"));
  EXPECT_TRUE(l->SkippedLegendItems());
  // Without field pieces no class is skipped.
  auto l2 = com::make<QVXCarrowind>();
  auto s2 = open(skipping.filename().string().empty() ? "unique_values.cwmap" : "unique_values.cwmap");
  ASSERT_TRUE(l2->MakeLabels(s2.layer.get(), u"just text"));
  EXPECT_FALSE(l2->SkippedLegendItems());

  EXPECT_FALSE(l->MakeLabels(full.layer.get(), u"[NOPE].Count"));
  EXPECT_EQ(l->Labels()->Count(), 0);
  ASSERT_TRUE(l->MakeLabels(full.layer.get(), u"x"));
  EXPECT_GT(l->Labels()->Count(), 0);
}

TEST_F(LabelMaking, LineBreaksAndWrapping) {
  auto s = open("simple.cwmap");
  l->WrapTextIfLongerThan(10);
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"short$$newline[USE].Count parcels in the whole layer"));
  auto got = text::toUtf8(labels(*l).at(0));
  EXPECT_EQ(got.rfind("short\r\n", 0), 0u) << got;
  std::size_t start = 0;
  for (std::size_t at; (at = got.find("\r\n", start)) != std::string::npos; start = at + 2) {
    EXPECT_LE(at - start, 10u) << got;
  }
  EXPECT_LE(got.size() - start, 10u) << got;
}

struct VerifyCase {
  const char* name;
  const char* file;
  const char16_t* layer;
  const char16_t* expression;
  const char16_t* message;
};

class VerifyMessages : public testing::TestWithParam<VerifyCase> {};

TEST_P(VerifyMessages, RejectWithTheirText) {
  const auto& c = GetParam();
  MessageBoxCapture boxes;
  auto s = open(c.file, c.layer);
  auto l = com::make<QVXCarrowind>();
  l->ShowMessages(true);
  EXPECT_FALSE(l->VerifyExpression(s.layer.get(), c.expression, true, true));
  EXPECT_EQ(l->Message(), c.message);
  EXPECT_FALSE(l->fields().LabelsValid);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, c.message);
  EXPECT_EQ(boxes.shown[0].title, u"Invalid Expression!");
  EXPECT_EQ(boxes.shown[0].icon, platform::messagebox::Icon::Critical);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, VerifyMessages,
    testing::Values(
        VerifyCase{"Raster", "raster.cwmap", u"Elevation", u"[USE].First", u"Layer must be a type of Geo-Feature Layer!"},
        VerifyCase{"Renderer", "unsupported.cwmap", u"", u"[USE].First",
                   u"Layer's legend must be a Simple, Unique Value, Graduated Color/Symbol, or Multi-Attribute type!"},
        VerifyCase{"Grouped", "grouped_values.cwmap", u"", u"[USE].First",
                   u"Grouped Values Not Allowed!\r\nIt appears that a number of legend values have been grouped to use "
                   u"the same symbol.\r\nDue to an issue with ESRI's implementation of grouping, this tool does not "
                   u"work with grouped values.\r\n\r\nPlease ungroup legend values and try again."},
        VerifyCase{"Missing", "simple.cwmap", u"", u"a [USE].First [NOPE].Count [ACRES].Oops",
                   u"Field \"NOPE\" does not exist in attribute table!"},
        VerifyCase{"NoSummary", "simple.cwmap", u"", u"[USE].FormatNumber(0)",
                   u"Field \"USE\" does not have an appropriate summary method!"},
        VerifyCase{"NoStatement", "simple.cwmap", u"", u"[ACRES]",
                   u"Field \"ACRES\" does not have an appropriate summary method!"},
        VerifyCase{"StringSum", "simple.cwmap", u"", u"[ACRES].sum [USE].Average",
                   u"Field \"USE\" field type does not support selected summary method!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Verify, MultiFieldUniqueValuesOnAJoinAreRefused) {
  auto file = variant("join.cwmap", {{"\"landuse.USE\"", "\"landuse.USE\", \"owners.OTYPE\""}});
  std::ifstream in(file);
  std::stringstream buf;
  buf << in.rdbuf();
  auto s = open(file);
  fs::remove(file);
  auto l = com::make<QVXCarrowind>();
  EXPECT_FALSE(l->VerifyExpression(s.layer.get(), u"[landuse.USE].First"));
  EXPECT_EQ(l->Message(), u"Joined tables are not supported with multi-field unique value legends!");
}

// The labels classify records from the table they read: a renderer field it
// lacks is refused in the host's own words before any record is read, the
// main renderer's normalisation field of a multi-attribute renderer too.
TEST(Verify, RendererFieldsTheLabelledTableLacksAreRefused) {
  struct Case {
    fs::path file;
    Text expression, field;
  };
  const std::vector<Case> cases = {
      // a joined table names the layer's fields "landuse.USE"
      {variant("join.cwmap", {{"\"landuse.USE\"", "\"USE\""}}), u"[landuse.ACRES].Count", u"USE"},
      {variant("bivariate_breaks.cwmap",
               {{"\"field\": \"ACRES\"", "\"field\": \"ACRES\", \"normalization_field\": \"NOPE\""}}),
       u"[ACRES].Count", u"NOPE"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.string());
    auto s = open(c.file);
    fs::remove(c.file);
    auto l = com::make<QVXCarrowind>();
    const Text words = u"the renderer's field \"" + c.field + u"\" is not in the table";
    EXPECT_FALSE(l->VerifyExpression(s.layer.get(), c.expression, true, false));
    EXPECT_EQ(l->Message(), words);
    EXPECT_FALSE(l->MakeLabels(s.layer.get(), c.expression));
    EXPECT_EQ(l->Message(), words);
  }
}

TEST(Verify, ShapefileDelimitersAndTheReportByteForByte) {
  platform::locale::setOverride("en_US");
  MessageBoxCapture boxes;
  auto s = open("simple.cwmap");
  auto l = com::make<QVXCarrowind>();
  l->ShowMessages(true);
  int count = 0;
  for (auto& r : layerRecords(s)) count += r.empty() ? 0 : 1;
  const Text label = s.renderer.as<host::ISimpleRenderer>()->Label();
  ASSERT_TRUE(l->VerifyExpression(s.layer.get(), u"N=[USE].Count.FormatNumber(0) $$LABEL", true, true))
      << text::toUtf8(l->Message());
  EXPECT_EQ(l->fields().FieldPrefix, u"\"");
  EXPECT_EQ(l->fields().JoinedFieldSuffix, u"\"");
  EXPECT_FALSE(l->fields().TableIsJoined);
  EXPECT_EQ(l->Labels()->Count(), 0);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, u"Valid Expression");
  EXPECT_EQ(boxes.shown[0].icon, platform::messagebox::Icon::Information);
  const Text n = *platform::format::formatNumber(count, 0);
  EXPECT_EQ(boxes.shown[0].text, u"SAMPLE LABEL: N=" + n + u" " + label +
                                     u"\r\n\r\nLabeling Instructions:\r\n"
                                     u"\tPUT\tTEXT:\"N=\"\r\n"
                                     u"\tAND\tFIELD:USE,Count\r\n"
                                     u"\t\t\tFORMAT:FormatNumber,0,\r\n"
                                     u"\tAND\tTEXT:\" \"\r\n"
                                     u"\tAND\tLEGEND:LABEL\r\n");
  // Without instructions only the sample; without a sample no box at all.
  ASSERT_TRUE(l->VerifyExpression(s.layer.get(), u"[USE].Count", true, false));
  EXPECT_EQ(boxes.shown.back().text, u"SAMPLE LABEL: " + platform::format::numberText(count) + u"\r\n\r\n");
  ASSERT_TRUE(l->VerifyExpression(s.layer.get(), u"[USE].Count", false, true));
  EXPECT_EQ(boxes.shown.size(), 2u);
  l->ShowMessages(false);
  ASSERT_TRUE(l->VerifyExpression(s.layer.get(), u"[USE].Count", true, true));
  EXPECT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(str(l->fields().SampleLabel), platform::format::numberText(count));
  platform::locale::setOverride("");
}

TEST(Verify, GeoPackageTakesBareNames) {
  auto s = open("landuse.cwmap", u"Parcel size");
  auto l = com::make<QVXCarrowind>();
  ASSERT_TRUE(l->VerifyExpression(s.layer.get(), u"[ACRES].Sum")) << text::toUtf8(l->Message());
  EXPECT_EQ(l->fields().FieldPrefix, u"");
  EXPECT_EQ(l->fields().JoinedFieldPrefix, u"");
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[ACRES].Count"));
  EXPECT_EQ(l->Labels()->Count(), s.renderer.as<host::IClassBreaksRenderer>()->BreakCount());
}

// A one-layer document over the sample data, written for one test.
fs::path document(const std::string& name, const std::string& layerJson) {
  const fs::path out = fs::temp_directory_path() / ("cw_label_making_" + std::to_string(::getpid()) + "_" + name);
  std::string text = R"({"format": "carrowind-map", "version": 1, "layers": [)" + layerJson + "]}";
  for (std::size_t at = 0; (at = text.find("\"data/", at)) != std::string::npos;) {
    const std::string to = "\"" + (kExamples / "data").string() + "/";
    text.replace(at, 6, to);
    at += to.size();
  }
  std::ofstream(out) << text;
  return out;
}

TEST_F(LabelMaking, JoinedDefaultClassAloneTakesEveryRecord) {
  auto file = document("join_default.cwmap", R"({"name": "J", "type": "feature",
    "source": {"path": "data/landuse.shp"},
    "join": {"table": {"path": "data/owners.csv"}, "field": "OWNER_ID", "join_field": "OWNER_ID"},
    "renderer": {"type": "unique_values", "fields": ["owners.OTYPE"], "field_delimiter": ", ",
                 "classes": [], "default": {"label": "everything"}}})");
  Sample s;
  try {
    s = open(file);
  } catch (const std::exception& e) {
    fs::remove(file);
    GTEST_SKIP() << "the host refuses such a document: " << e.what();
  }
  fs::remove(file);
  const auto rows = records(s.layer.as<host::IDisplayTable>()->DisplayTable().get());
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[landuse.USE].Count $$VALUE")) << text::toUtf8(l->Message());
  EXPECT_EQ(labels(*l), std::vector<Text>{text::fromUtf8(std::to_string(rows.size())) + u" <all other values>"});
}

TEST_F(LabelMaking, NaturalEarthPopulationByContinent) {
  auto s = open("landuse.cwmap", u"Countries");
  auto rows = layerRecords(s);
  auto values = classValues(s.renderer);
  std::vector<Tally> want(values.size());
  for (auto& r : rows) {
    for (std::size_t k = 0; k < values.size(); ++k) {
      if (str(r.at(u"continent")) == values[k]) want[k].count++, want[k].sum += num(r.at(u"pop_est"));
    }
  }
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[name].Count|[pop_est].Sum")) << text::toUtf8(l->Message());
  auto got = labels(*l);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    const std::string label = text::toUtf8(got[i]);
    const auto bar = label.find('|');
    ASSERT_NE(bar, std::string::npos) << label;
    EXPECT_EQ(std::stoi(label.substr(0, bar)), want[i].count) << label;
    EXPECT_NEAR(std::stod(label.substr(bar + 1)), want[i].sum, want[i].sum * 1e-12) << label;
  }
}

TEST_F(LabelMaking, SampleLabelReadsEveryTenthRecordForStatistics) {
  auto s = open("unique_values.cwmap");
  auto rows = layerRecords(s);
  double sampled = 0;
  for (std::size_t i = 0; i < rows.size(); i += 10) sampled += num(rows[i].at(u"ACRES"));
  ASSERT_TRUE(l->VerifyExpression(s.layer.get(), u"[ACRES].Count|[ACRES].Sum|$$VALUE|$$LABEL", true));
  const std::string label = text::toUtf8(str(l->fields().SampleLabel));
  std::vector<std::string> parts;
  std::stringstream in(label);
  for (std::string p; std::getline(in, p, '|');) parts.push_back(p);
  ASSERT_EQ(parts.size(), 4u) << label;
  EXPECT_EQ(std::stoul(parts[0]), rows.size());  // Count is never sampled
  EXPECT_NEAR(std::stod(parts[1]), sampled, 1e-6);
  EXPECT_EQ(text::fromUtf8(parts[2]), s.renderer.as<host::IUniqueValueRenderer>()->Value(0));
  EXPECT_EQ(text::fromUtf8(parts[3]), s.renderer.as<host::IRendererClasses>()->Class(0));
  EXPECT_EQ(l->Labels()->Count(), 0);
}

TEST_F(LabelMaking, BreaksReachTheDataSourceWithAPointUnderACommaLocale) {
  platform::locale::setOverride("de_DE");
  auto s = open("class_breaks.cwmap");
  auto breaks = s.renderer.as<host::IClassBreaksRenderer>();
  ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"$$VALUE [ACRES].Count")) << text::toUtf8(l->Message());
  auto got = labels(*l);
  ASSERT_EQ(static_cast<int>(got.size()), breaks->BreakCount());
  // The label keeps the user's decimal comma.
  EXPECT_EQ(got[0].rfind(u"2,5 ", 0), 0u) << text::toUtf8(got[0]);
  auto l2 = com::make<QVXCarrowind>();
  platform::locale::setOverride("en_US");
  ASSERT_TRUE(l2->MakeLabels(s.layer.get(), u"$$VALUE [ACRES].Count"));
  auto english = labels(*l2);
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].substr(got[i].find(u' ')), english[i].substr(english[i].find(u' '))) << i;
  }
}

}  // namespace
