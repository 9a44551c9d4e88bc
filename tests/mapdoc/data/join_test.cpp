#include <gtest/gtest.h>

#include <fstream>

#include "sample_data.h"

namespace mapdoc::testing {
namespace {

class Join : public ::testing::TestWithParam<std::string> {};

TEST_P(Join, KeepsEveryLayerRecordAndSearchesOnJoinedFields) {
  auto parcels = table("landuse.shp");
  auto joined = joinTables(parcels.get(), table(GetParam()).get(), u"OWNER_ID", u"OWNER_ID");
  ASSERT_TRUE(com::query<host::IRelQueryTable>(joined.get()));
  EXPECT_EQ(joined->RowCount(nullptr), parcels->RowCount(nullptr));

  auto cls = com::query<host::IClass>(joined.get());
  EXPECT_EQ(cls->Fields()->Field(0)->Name(), u"landuse.FID");
  EXPECT_EQ(cls->Fields()->Field(0)->Type(), host::FieldTypeOID);
  const int oname = cls->FindField(u"owners.ONAME"), owner = cls->FindField(u"landuse.OWNER_ID");
  ASSERT_GE(oname, 0);
  ASSERT_GE(owner, 0);

  // owner 99 is not in the owners table: its parcels get nulls
  int unmatched = 0;
  std::u16string someName;
  auto all = joined->Search(nullptr, true);
  for (auto row = all->NextRow(); row; row = all->NextRow()) {
    auto key = row->Value(owner);
    if (key.isNumber() && key.toDouble() == 99) {
      ++unmatched;
      EXPECT_TRUE(row->Value(oname).isNull());
    } else if (row->Value(oname).isText() && row->Value(oname).text().find(u'\'') != std::u16string::npos) {
      someName = row->Value(oname).text();
    }
  }
  EXPECT_GT(unmatched, 0);
  ASSERT_FALSE(someName.empty()) << "the sample owners include names with apostrophes";

  std::string literal = text::toUtf8(someName);
  for (std::size_t i = literal.find('\''); i != std::string::npos; i = literal.find('\'', i + 2)) literal.insert(i, "'");
  const int expected = countRows(joined->Search(nullptr, true).get(),
                                 [&](host::IRow* r) { return textOf(r->Value(oname)) == someName; });
  EXPECT_GT(expected, 0);
  EXPECT_EQ(joined->RowCount(where("\"owners.ONAME\" = '" + literal + "'").get()), expected);
  EXPECT_EQ(joined->RowCount(where("owners.ONAME = '" + literal + "'").get()), expected);
  EXPECT_EQ(joined->RowCount(where("\"owners.ONAME\" IS NULL").get()),
            countRows(joined->Search(nullptr, true).get(), [&](host::IRow* r) { return r->Value(oname).isNull(); }));
  EXPECT_EQ(joined->RowCount(where("\"landuse.DISTRICT\" = 'North' AND \"owners.ONAME\" IS NOT NULL").get()),
            countRows(joined->Search(nullptr, true).get(), [&](host::IRow* r) {
              return textOf(r->Value(cls->FindField(u"landuse.DISTRICT"))) == u"North" && !r->Value(oname).isNull();
            }));
  EXPECT_THROW(joined->RowCount(where("\"owners.NOSUCH\" = 1").get()), host::HostError);
}

INSTANTIATE_TEST_SUITE_P(CsvAndDbf, Join, ::testing::Values("owners.csv", "owners.dbf"));

TEST(JoinKeys, AMissingKeyFieldIsReported) {
  EXPECT_THROW(joinTables(table("landuse.shp").get(), table("owners.csv").get(), u"NOPE", u"OWNER_ID"),
               host::HostError);
}

}  // namespace
}  // namespace mapdoc::testing

namespace mapdoc::testing {
namespace {

// Keys are compared by value in full precision: integer 7 meets real 7.0,
// and reals that differ only in the seventh decimal stay apart.
TEST(JoinKeys, NumbersMatchByValueInFullPrecision) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("carrowind-join-keys-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto write = [&](const std::string& name, const std::string& types, const std::string& rows) {
    std::ofstream(dir / (name + ".csv")) << rows;
    std::ofstream(dir / (name + ".csvt")) << types;
  };
  write("sites", "Integer,Real,Integer", "ID,KEY,CODE\n1,0.1234567,7\n2,0.1234568,8\n3,0.5,9\n");
  write("codes", "Real,Real,String", "KEY,CODE,NAME\n0.1234567,7.0,first\n0.1234568,8.0,second\n");
  auto sites = openTable({"sites.csv", "", ""}, dir), codes = openTable({"codes.csv", "", ""}, dir);
  auto names = [&](const std::u16string& on, const std::u16string& onJoined) {
    auto joined = joinTables(sites.get(), codes.get(), on, onJoined);
    const int name = com::query<host::IClass>(joined.get())->FindField(u"codes.NAME");
    std::vector<std::u16string> out;
    auto cursor = joined->Search(nullptr, true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow())
      out.push_back(row->Value(name).isNull() ? u"-" : row->Value(name).text());
    return out;
  };
  EXPECT_EQ(names(u"KEY", u"KEY"), (std::vector<std::u16string>{u"first", u"second", u"-"}));
  EXPECT_EQ(names(u"CODE", u"CODE"), (std::vector<std::u16string>{u"first", u"second", u"-"}));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace mapdoc::testing
