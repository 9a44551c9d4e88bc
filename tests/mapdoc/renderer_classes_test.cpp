// Each class's where clause selects exactly the records the renderer draws
// in that class, checked against a classification done here record by record.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <algorithm>

#include "host/classes.h"
#include "mapdoc/document.h"
#include "mapdoc/renderers/unique_value_renderer.h"
#include "platform/com/class_factory.h"
#include "platform/text/utf.h"
#include "tests/common/scratch_dir.h"

namespace mapdoc {
namespace {

namespace fs = std::filesystem;
using test_support::kExamples;

struct Subject {
  host::Ref<MapDocument> doc;
  host::Ref<host::ILayer> layer;
  host::Ref<host::ITable> table;
  host::Ref<host::IFeatureRenderer> renderer;
};

Subject load(const std::string& file, const std::u16string& layerName = {}) {
  Subject s;
  s.doc = MapDocument::open(kExamples / file);
  s.layer = layerName.empty() ? s.doc->layers().front() : s.doc->layer(layerName);
  s.table = com::query<host::IDisplayTable>(s.layer.get())->DisplayTable();
  s.renderer = com::query<host::IGeoFeatureLayer>(s.layer.get())->Renderer();
  if (auto bivariate = com::query<host::IBivariateRenderer>(s.renderer.get())) s.renderer = bivariate->MainRenderer();
  return s;
}

std::set<std::int32_t> oidsOf(host::ICursor* cursor) {
  std::set<std::int32_t> out;
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) out.insert(row->OID());
  return out;
}

std::set<std::int32_t> selected(host::ITable* table, const host::Text& clause) {
  auto filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
  filter->WhereClause(clause);
  return oidsOf(table->Search(filter.get(), true).get());
}

// a record's value as a document writes it: text as is, numbers shortest
std::u16string valueText(const host::Value& v) {
  if (v.isText()) return v.text();
  if (v.isNull() || v.isEmpty()) return u"\u0000null";
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v.toDouble()).ptr;
  return text::fromUtf8(std::string(buffer, end));
}

Subject fromJson(const std::string& json) {
  Subject s;
  s.doc = MapDocument::fromJson(Json::parse(json), kExamples / "generated.cwmap");
  s.layer = s.doc->layers().front();
  s.table = com::query<host::IDisplayTable>(s.layer.get())->DisplayTable();
  s.renderer = com::query<host::IGeoFeatureLayer>(s.layer.get())->Renderer();
  return s;
}

std::string layerDocument(const std::string& source, const std::string& renderer) {
  return R"({"format": "carrowind-map", "version": 1, "layers": [{"name": "L", "type": "feature",
    "source": {"path": ")" + source + R"("}, "renderer": )" + renderer + "}]}";
}

// class index per record, by the renderer's own rules
std::map<int, std::set<std::int32_t>> classifyUnique(const Subject& s) {
  auto unique = com::query<host::IUniqueValueRenderer>(s.renderer.get());
  auto* impl = static_cast<UniqueValueRenderer*>(unique.get());
  auto classes = com::query<host::IRendererClasses>(s.renderer.get());
  const int valueClasses = classes->ClassCount() - (unique->UseDefaultSymbol() ? 1 : 0);
  std::map<std::u16string, int> classOf;
  for (int c = 0; c < valueClasses; ++c)
    for (const auto& v : impl->classValues(c)) classOf[v] = c;
  std::vector<int> fields;
  for (int f = 0; f < unique->FieldCount(); ++f)
    fields.push_back(com::query<host::IClass>(s.table.get())->FindField(unique->Field(f)));

  std::map<int, std::set<std::int32_t>> out;
  auto cursor = s.table->Search(nullptr, true);
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) {
    std::u16string key;
    for (std::size_t f = 0; f < fields.size(); ++f) key += (f ? unique->FieldDelimiter() : u"") + valueText(row->Value(fields[f]));
    auto it = classOf.find(key);
    const int c = it != classOf.end() ? it->second : (unique->UseDefaultSymbol() ? valueClasses : -1);
    if (c >= 0) out[c].insert(row->OID());
  }
  return out;
}

void expectClausesMatch(const Subject& s, const std::map<int, std::set<std::int32_t>>& expected) {
  auto classes = com::query<host::IRendererClasses>(s.renderer.get());
  for (int c = 0; c < classes->ClassCount(); ++c) {
    const auto clause = classes->WhereClause(c, s.table.get());
    SCOPED_TRACE(text::toUtf8(clause));
    const auto it = expected.find(c);
    EXPECT_EQ(selected(s.table.get(), clause), it == expected.end() ? std::set<std::int32_t>{} : it->second) << c;
  }
}

class UniqueValueClauses : public ::testing::TestWithParam<std::string> {};

TEST_P(UniqueValueClauses, SelectExactlyEachClassesRecords) {
  const auto s = load(GetParam());
  const auto expected = classifyUnique(s);
  EXPECT_GT(expected.size(), 2u);
  expectClausesMatch(s, expected);
}

INSTANTIATE_TEST_SUITE_P(Documents, UniqueValueClauses,
                         ::testing::Values("unique_values.cwmap", "unique_values_default.cwmap", "two_fields.cwmap",
                                           "grouped_values.cwmap", "join.cwmap", "bivariate_unique.cwmap"));

TEST(UniqueValueClauses, TheDefaultClassHoldsTheNulls) {
  const auto s = load("unique_values_default.cwmap");
  auto classes = com::query<host::IRendererClasses>(s.renderer.get());
  const auto others = selected(s.table.get(), classes->WhereClause(classes->ClassCount() - 1, s.table.get()));
  EXPECT_EQ(others, selected(s.table.get(), u"\"USE\" IS NULL"));
  EXPECT_EQ(others.size(), 8u);
  EXPECT_EQ(classes->Class(classes->ClassCount() - 1), u"<all other values>");
}

// The same dates select the same records from a shapefile, whose blank dates
// OGR's own date comparison cannot parse, and from a GeoPackage.
TEST(UniqueValueClauses, DatesSelectTheSameRecordsFromEverySource) {
  const std::string renderer = R"({"type": "unique_values", "fields": ["SURVEYED"], "classes": [
      {"values": ["1998-01-02"]}, {"values": ["1998-02-14", "1998-01-09"]}], "default": {"label": "other"}})";
  std::vector<std::vector<std::size_t>> counts;
  for (const char* source : {"data/landuse.shp", "data/landuse.gpkg"}) {
    SCOPED_TRACE(source);
    const auto s = fromJson(layerDocument((kExamples / source).string(), renderer));
    auto classes = com::query<host::IRendererClasses>(s.renderer.get());
    std::vector<std::size_t> perClass;
    std::size_t all = 0;
    for (int c = 0; c < classes->ClassCount(); ++c) {
      perClass.push_back(selected(s.table.get(), classes->WhereClause(c, s.table.get())).size());
      all += perClass.back();
    }
    EXPECT_GT(perClass[0], 0u);
    EXPECT_GT(perClass[1], perClass[0] > 0 ? 1u : 0u);
    EXPECT_EQ(all, static_cast<std::size_t>(s.table->RowCount(nullptr)));
    counts.push_back(perClass);
  }
  EXPECT_EQ(counts[0], counts[1]);
}

TEST(UniqueValueClauses, GroupedValuesLeadWithOneValuePerClass) {
  const auto s = load("grouped_values.cwmap");
  auto unique = com::query<host::IUniqueValueRenderer>(s.renderer.get());
  auto classes = com::query<host::IRendererClasses>(s.renderer.get());
  EXPECT_GT(unique->ValueCount(), classes->ClassCount());
  EXPECT_EQ(unique->Value(1), u"Commercial");
  EXPECT_EQ(unique->Label(u"Industrial"), u"Commercial and industrial");
  unique->Label(unique->Value(1), u"Business");
  EXPECT_EQ(classes->Class(1), u"Business");
  EXPECT_EQ(unique->Label(u"Industrial"), u"Business");
  EXPECT_THROW(unique->Label(u"Nope", u"x"), host::HostError);
}

TEST(ClassBreakClauses, SelectExactlyEachBreaksRecordsOnEverySource) {
  for (const auto& [file, layer] : std::vector<std::pair<std::string, std::u16string>>{
           {"class_breaks.cwmap", u""}, {"landuse.cwmap", u"Parcel size"}, {"bivariate_breaks.cwmap", u""}}) {
    SCOPED_TRACE(file);
    const auto s = load(file, layer);
    auto breaks = com::query<host::IClassBreaksRenderer>(s.renderer.get());
    const int field = com::query<host::IClass>(s.table.get())->FindField(breaks->Field());
    std::map<int, std::set<std::int32_t>> expected;
    auto cursor = s.table->Search(nullptr, true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) {
      const auto v = row->Value(field);
      if (!v.isNumber()) continue;
      const double x = v.toDouble();
      if (x < breaks->MinimumBreak()) continue;
      for (int b = 0; b < breaks->BreakCount(); ++b)
        if (x <= breaks->Break(b)) {
          expected[b].insert(row->OID());
          break;
        }
    }
    EXPECT_EQ(expected.size(), static_cast<std::size_t>(breaks->BreakCount()));
    expectClausesMatch(s, expected);
  }
}

// Small integers compare bare and grouped; the GeoPackage stores them as
// Int16, the shapefile as Integer, and both quote names their own way.
TEST(UniqueValueClauses, NumericValuesOnEverySource) {
  for (const std::string source : {"data/landuse.shp", "data/landuse.gpkg"}) {
    SCOPED_TRACE(source);
    const auto s = fromJson(layerDocument(source, R"({"type": "unique_values", "fields": ["FLOORS"],
      "classes": [{"values": [0, 1, 2], "label": "Low"}, {"values": ["3"], "label": "Three"},
                  {"values": [10, 11, 12], "label": "Tall"}], "default": {}})"));
    const auto expected = classifyUnique(s);
    ASSERT_EQ(expected.size(), 4u);
    expectClausesMatch(s, expected);
    auto classes = com::query<host::IRendererClasses>(s.renderer.get());
    EXPECT_EQ(selected(s.table.get(), u"\"FLOORS\" IS NULL").size(), 8u);
    EXPECT_TRUE(std::ranges::includes(expected.at(3), selected(s.table.get(), u"\"FLOORS\" IS NULL")));
    EXPECT_EQ(classes->Class(3), u"<all other values>");
  }
}

// value / normaliser, in real arithmetic, with records whose normaliser is
// zero or null in no class
TEST(ClassBreakClauses, NormalisedBreaksDivideInRealArithmetic) {
  struct Case {
    std::string field, norm, breaks;
  };
  for (const auto& c : std::vector<Case>{{"ACRES", "FLOORS", R"("min_break": 0.1, "breaks": [{"upper": 0.5}, {"upper": 1.5}, {"upper": 9}])"},
                                         {"OWNER_ID", "FLOORS", R"("min_break": 0, "breaks": [{"upper": 1.5}, {"upper": 3.5}, {"upper": 5.5}, {"upper": 100}])"}}) {
    SCOPED_TRACE(c.field + " / " + c.norm);
    const auto s = fromJson(layerDocument("data/landuse.shp", R"({"type": "class_breaks", "field": ")" + c.field +
                                                                     R"(", "normalization_field": ")" + c.norm +
                                                                     R"(", )" + c.breaks + "}"));
    auto breaks = com::query<host::IClassBreaksRenderer>(s.renderer.get());
    auto cls = com::query<host::IClass>(s.table.get());
    const int field = cls->FindField(breaks->Field()), norm = cls->FindField(breaks->NormField());
    std::map<int, std::set<std::int32_t>> expected;
    int withoutNormaliser = 0;
    auto cursor = s.table->Search(nullptr, true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) {
      const auto v = row->Value(field), n = row->Value(norm);
      if (!n.isNumber() || n.toDouble() == 0) ++withoutNormaliser;
      if (!v.isNumber() || !n.isNumber() || n.toDouble() == 0) continue;
      const double x = v.toDouble() / n.toDouble();
      if (x < breaks->MinimumBreak()) continue;
      for (int b = 0; b < breaks->BreakCount(); ++b)
        if (x <= breaks->Break(b)) {
          expected[b].insert(row->OID());
          break;
        }
    }
    EXPECT_GT(withoutNormaliser, 0);
    EXPECT_EQ(expected.size(), static_cast<std::size_t>(breaks->BreakCount()));
    expectClausesMatch(s, expected);
  }
}

// The legend is the main renderer's classes as of the last CreateLegend, for
// either kind of main renderer.
TEST(Bivariate, CreateLegendTakesTheMainRenderersLabels) {
  for (const std::string file : {"bivariate_unique.cwmap", "bivariate_breaks.cwmap"}) {
    SCOPED_TRACE(file);
    auto doc = MapDocument::open(kExamples / file);
    auto bivariate = com::query<host::IBivariateRenderer>(
        com::query<host::IGeoFeatureLayer>(doc->layers().front().get())->Renderer().get());
    ASSERT_TRUE(bivariate);
    auto main = bivariate->MainRenderer();
    auto mainClasses = com::query<host::IRendererClasses>(main.get());
    auto legend = com::query<host::IRendererClasses>(bivariate.get());
    ASSERT_EQ(legend->ClassCount(), mainClasses->ClassCount());
    const auto before = legend->Class(0);
    if (auto unique = com::query<host::IUniqueValueRenderer>(main.get()))
      unique->Label(unique->Value(0), u"Farms");
    else
      com::query<host::IClassBreaksRenderer>(main.get())->Label(0, u"Farms");
    EXPECT_EQ(legend->Class(0), before);  // not until the legend is rebuilt
    bivariate->CreateLegend();
    EXPECT_EQ(legend->Class(0), u"Farms");
    EXPECT_EQ(legend->ClassCount(), mainClasses->ClassCount());
    auto table = com::query<host::IDisplayTable>(doc->layers().front().get())->DisplayTable();
    EXPECT_EQ(legend->WhereClause(1, table.get()), mainClasses->WhereClause(1, table.get()));
  }
}

TEST(UnsupportedRenderers, AnswerOnlyForTheirOwnKind) {
  auto doc = MapDocument::open(kExamples / "unsupported.cwmap");
  auto renderer = com::query<host::IGeoFeatureLayer>(doc->layers().front().get())->Renderer();
  EXPECT_TRUE(com::query<host::IDotDensityRenderer>(renderer.get()));
  EXPECT_FALSE(com::query<host::IChartRenderer>(renderer.get()));
  EXPECT_FALSE(com::query<host::IUniqueValueRenderer>(renderer.get()));
  EXPECT_FALSE(com::query<host::IRendererClasses>(renderer.get()));
  EXPECT_EQ(doc->toJson()["layers"][0]["renderer"]["dot_value"], 0.5);
}

}  // namespace
}  // namespace mapdoc
