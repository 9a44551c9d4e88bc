// Where clauses in each source's dialect select what a walk over every
// record selects, and a clause the source cannot read fails with its text.
#include <cpl_error.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>

#include "mapdoc/data/ogr_table.h"
#include "sample_data.h"

namespace mapdoc::testing {
namespace {

using Test = std::function<bool(host::IRow*)>;

struct Case {
  std::string clause;
  std::u16string field;  // the field the independent test reads
  std::function<bool(const host::Value&)> test;
};

int walkCount(host::ITable* t, const std::u16string& field, const std::function<bool(const host::Value&)>& test) {
  const int i = fieldIndex(t, field);
  return countRows(t->Search(nullptr, true).get(), [&](host::IRow* r) { return test(r->Value(i)); });
}

bool is(const host::Value& v, const std::u16string& s) { return v.isText() && v.text() == s; }

void expectCases(host::ITable* t, const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clause);
    const int expected = walkCount(t, c.field, c.test);
    EXPECT_EQ(countRows(t->Search(where(c.clause).get(), true).get()), expected);
    EXPECT_EQ(t->RowCount(where(c.clause).get()), expected);
  }
}

// A personal geodatabase needs a driver this machine lacks; its dialect is
// tried on the shapefile's records instead.
host::Ref<host::ITable> bracketTable() {
  data::SourceKind kind{"Personal Geodatabase Feature Class", data::FieldQuoting::Brackets};
  return com::make<data::OgrTable>((sampleDir() / "landuse.shp").string(), "", &kind);
}

TEST(Dialect, BracketDelimitedNamesOutsideLiterals) {
  auto t = bracketTable();
  EXPECT_EQ(text::toUtf8(quoteField(t.get(), u"USE")), "[USE]");
  expectCases(t.get(), {
      {"[USE] = 'Women''s Center'", u"USE", [](auto& v) { return is(v, u"Women's Center"); }},
      {"[USE] = 'Crèche' OR [USE] IS NULL", u"USE", [](auto& v) { return is(v, u"Crèche") || v.isNull(); }},
      {"[ACRES] > 5 AND [ACRES] <= 20", u"ACRES", [](auto& v) { return v.isNumber() && v.toDouble() > 5 && v.toDouble() <= 20; }},
      // brackets inside a literal are text, not a name
      {"[USE] <> '[USE]'", u"USE", [](auto& v) { return v.isText(); }},
  });
  EXPECT_THROW(t->RowCount(where("[NOSUCH] = 1").get()), host::HostError);
}

TEST(Dialect, BareNamesOnGeoPackagesAndTextFiles) {
  auto gpkg = table("landuse.gpkg", "landuse");
  expectCases(gpkg.get(), {
      {"USE = 'Crèche'", u"USE", [](auto& v) { return is(v, u"Crèche"); }},
      {"FLOORS >= 2", u"FLOORS", [](auto& v) { return v.isNumber() && v.toDouble() >= 2; }},
      {"\"FLOORS\" IS NULL", u"FLOORS", [](auto& v) { return v.isNull(); }},
  });
  auto csv = table("owners.csv");
  expectCases(csv.get(), {
      {"OWNER_ID > 20", u"OWNER_ID", [](auto& v) { return v.isNumber() && v.toDouble() > 20; }},
      {"\"OTYPE\" = 'Private'", u"OTYPE", [](auto& v) { return is(v, u"Private"); }},
  });
}

// The message OGR gives for a clause when asked directly.
std::string ogrsOwnMessage(const std::string& path, const std::string& clause) {
  GDALAllRegister();  // this test may be the first to use GDAL
  GDALDatasetUniquePtr ds(GDALDataset::Open((sampleDir() / path).c_str(), GDAL_OF_VECTOR));
  CPLErrorReset();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  const bool failed = ds->GetLayer(0)->SetAttributeFilter(clause.c_str()) != OGRERR_NONE;
  CPLPopErrorHandler();
  return failed ? CPLGetLastErrorMsg() : "";
}

TEST(Dialect, ABadClauseFailsWithTheSourcesOwnMessage) {
  for (const std::string clause : {"\"NOSUCH\" = 1", "\"USE\" = = 'x'", "USE IN ('a'"}) {
    SCOPED_TRACE(clause);
    // its first line: the message is one line here, the clause quoted after it
    const std::string all = ogrsOwnMessage("landuse.shp", clause);
    const std::string own = all.substr(0, all.find('\n'));
    ASSERT_FALSE(own.empty());
    try {
      table("landuse.shp")->Search(where(clause).get(), true);
      FAIL();
    } catch (const host::HostError& e) {
      EXPECT_NE(std::string(e.what()).find(own), std::string::npos) << e.what();
    }
  }
  // SQLite would read a double-quoted name that is no column as text and
  // select nothing; a misspelt field must fail instead.
  auto gpkg = table("landuse.gpkg", "landuse");
  for (const std::string clause : {"\"NOSUCH\" = 'x'", "NOSUCH = 'x'", "USE = = 'x'"}) {
    SCOPED_TRACE(clause);
    EXPECT_THROW(countRows(gpkg->Search(where(clause).get(), true).get()), host::HostError);
    EXPECT_THROW(gpkg->RowCount(where(clause).get()), host::HostError);
  }
}

TEST(Dialect, CategoriesOfTablesAndTextFiles) {
  auto category = [](const std::string& path) {
    return text::toUtf8(com::query<host::IDatasetName>(table(path).get())->Category());
  };
  EXPECT_EQ(category("owners.dbf"), "dBASE Table");
  EXPECT_EQ(category("owners.csv"), "Text File");
  EXPECT_EQ(category("world/world.gpkg"), "GeoPackage Feature Class");
}

}  // namespace
}  // namespace mapdoc::testing
