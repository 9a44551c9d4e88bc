#include <gtest/gtest.h>

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
