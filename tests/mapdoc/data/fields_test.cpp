#include <gtest/gtest.h>

#include "mapdoc/data/gdal_session.h"
#include "sample_data.h"

namespace mapdoc::testing {
namespace {

struct ExpectedField {
  std::u16string name;
  int type;
};

void expectFields(host::ITable* t, const std::vector<ExpectedField>& expected) {
  auto fields = com::query<host::IClass>(t)->Fields();
  ASSERT_EQ(fields->FieldCount(), static_cast<int>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    auto f = fields->Field(static_cast<int>(i));
    EXPECT_EQ(f->Name(), expected[i].name) << i;
    EXPECT_EQ(f->Type(), expected[i].type) << text::toUtf8(expected[i].name);
  }
}

TEST(Fields, ComeInDesktopOrderWithTypeCodesPerSourceKind) {
  expectFields(table("landuse.shp").get(), {{u"FID", 6}, {u"Shape", 7}, {u"USE", 4}, {u"DESCRIPT", 4}, {u"ACRES", 3},
                                            {u"SURVEYED", 5}, {u"FLOORS", 1}, {u"OWNER_ID", 1}, {u"DISTRICT", 4}});
  expectFields(table("landuse.gpkg", "landuse").get(),
               {{u"fid", 6}, {u"geom", 7}, {u"USE", 4}, {u"DESCRIPT", 4}, {u"ACRES", 3}, {u"SURVEYED", 5},
                {u"FLOORS", 0}, {u"OWNER_ID", 1}, {u"DISTRICT", 4}});
  expectFields(table("owners.csv").get(), {{u"FID", 6}, {u"OWNER_ID", 1}, {u"ONAME", 4}, {u"OTYPE", 4}});
  expectFields(table("naturalearth_lowres/naturalearth_lowres.shp").get(),
               {{u"FID", 6}, {u"Shape", 7}, {u"pop_est", 3}, {u"continent", 4}, {u"name", 4}, {u"iso_a3", 4},
                {u"gdp_md_est", 3}});
}

TEST(Fields, FindFieldIgnoresCaseAndMissingFieldsGiveMinusOne) {
  auto t = table("landuse.shp");
  EXPECT_EQ(fieldIndex(t.get(), u"acres"), 4);
  EXPECT_EQ(fieldIndex(t.get(), u"Acres"), 4);
  EXPECT_EQ(fieldIndex(t.get(), u"NOPE"), -1);
  EXPECT_THROW(com::query<host::IClass>(t.get())->Fields()->Field(99), host::HostError);
}

TEST(Fields, ValuesArriveAsTheHostKinds) {
  auto gpkg = table("landuse.gpkg", "landuse");
  auto cursor = gpkg->Search(nullptr, false);
  bool sawNull = false, sawDate = false;
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) {
    EXPECT_EQ(row->Value(0).kind(), host::Value::Kind::Int32);
    EXPECT_EQ(row->Value(0).int32(), row->OID());
    const auto floors = row->Value(6), surveyed = row->Value(5);
    if (floors.isNull()) sawNull = true;
    else EXPECT_EQ(floors.kind(), host::Value::Kind::Int16);
    if (surveyed.isDate()) {
      sawDate = true;
      EXPECT_GT(surveyed.oleDate(), 2.0);  // after 1900
    }
    EXPECT_TRUE(row->Value(1).isObject());
  }
  EXPECT_TRUE(sawNull);
  EXPECT_TRUE(sawDate);
}

TEST(Fields, DatasetNameAndCategoryNameTheSourceKind) {
  auto category = [](const std::string& path, const std::string& layer = "") {
    return text::toUtf8(com::query<host::IDatasetName>(table(path, layer).get())->Category());
  };
  EXPECT_EQ(category("landuse.shp"), "Shapefile Feature Class");
  EXPECT_EQ(category("landuse.gpkg", "landuse"), "GeoPackage Feature Class");
  EXPECT_EQ(category("landuse.gpkg", "owners"), "GeoPackage Table");
  EXPECT_EQ(com::query<host::IDatasetName>(table("landuse.shp").get())->Name(), u"landuse");
}

TEST(Open, MissingSourcesAndLayersFailWithTheirNames) {
  try {
    table("nothing-here.shp");
    FAIL();
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("nothing-here.shp"), std::string::npos) << e.what();
  }
  try {
    table("landuse.gpkg", "parcels");
    FAIL();
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("owners"), std::string::npos) << e.what();  // lists what is there
  }
  EXPECT_TRUE(isRaster({"elevation.tif", "", ""}, sampleDir()));
  EXPECT_FALSE(isRaster({"owners.csv", "", ""}, sampleDir()));
}

// Connection strings end up in messages and logs: their passwords do not.
TEST(Open, MessagesShowConnectionsWithoutTheirPasswords) {
  using data::shownSource;
  EXPECT_EQ(shownSource("PG:host=db dbname=gis user=ann password=s3cret"), "PG:host=db dbname=gis user=ann password=***");
  EXPECT_EQ(shownSource("PG:password = 'it\\'s x' host=db"), "PG:password = *** host=db");
  EXPECT_EQ(shownSource("PG:dbname=gis password='a b\\'c' user=ann"), "PG:dbname=gis password=*** user=ann");
  EXPECT_EQ(shownSource("PG:postgresql://ann:s3cret@db:5432/gis"), "PG:postgresql://ann:***@db:5432/gis");
  EXPECT_EQ(shownSource("PG:postgresql://db/gis?user=ann"), "PG:postgresql://db/gis?user=ann");
  EXPECT_EQ(shownSource("/data/passwords.shp"), "/data/passwords.shp");
  EXPECT_EQ(shownSource("PG:password="), "PG:password=***");
}

}  // namespace
}  // namespace mapdoc::testing
