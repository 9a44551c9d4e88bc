// Sources named as QGIS's ogr provider names them: open options and a layer
// number after the path, and a whole SELECT statement whose result is the
// table, with the source's own object IDs where the statement keeps them.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "sample_data.h"
#include "tests/common/scratch_dir.h"

namespace mapdoc::testing {
namespace {

namespace fs = std::filesystem;

std::set<std::int32_t> idsOf(host::ITable* table, host::IQueryFilter* filter = nullptr) {
  std::set<std::int32_t> out;
  auto cursor = table->Search(filter, true);
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) out.insert(row->OID());
  return out;
}

int typeOf(host::ITable* table, const std::u16string& field) {
  auto cls = com::query<host::IClass>(table);
  return cls->Fields()->Field(cls->FindField(field))->Type();
}

std::string failure(const std::function<void()>& call) {
  try {
    call();
  } catch (const host::HostError& e) {
    return e.what();
  }
  return "(no failure)";
}

TEST(QgisSources, OpenOptionsAndALayerNumberAfterThePath) {
  const fs::path dir = test_support::scratchDir("cw_sources_");
  std::ofstream(dir / "towns.csv") << "id,x,y,POP\n1,1,1,10\n2,2,2,012\n";
  EXPECT_EQ(typeOf(openTable({"towns.csv", "", ""}, dir).get(), u"POP"), host::FieldTypeString);
  auto typed = openTable({"towns.csv|option:AUTODETECT_TYPE=YES", "", ""}, dir);
  EXPECT_EQ(typeOf(typed.get(), u"POP"), host::FieldTypeInteger);
  auto points = openFeatureClass({"towns.csv|option:X_POSSIBLE_NAMES=x|option:Y_POSSIBLE_NAMES=y", "", ""}, dir);
  EXPECT_EQ(points->ShapeType(), wkbPoint);
  EXPECT_EQ(openName({"towns.csv|option:X_POSSIBLE_NAMES=x", "", ""}, dir), (dir / "towns.csv").string());
  EXPECT_NE(failure([&] { openTable({"towns.csv|option:AUTODETECT_TYPE", "", ""}, dir); }).find("KEY=VALUE"),
            std::string::npos);

  {
    GDALAllRegister();
    GDALDatasetUniquePtr ds(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(
        (dir / "two.gpkg").c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    for (const char* name : {"zeta", "alpha"}) ds->CreateLayer(name, nullptr, wkbNone, nullptr);
  }
  auto nameOf = [&](const std::string& path, const std::string& layer = "") {
    return text::toUtf8(com::query<host::IDatasetName>(openTable({path, "", layer}, dir).get())->Name());
  };
  // the dataset's own order, from 0, as GDAL lists the layers
  EXPECT_EQ(nameOf("two.gpkg|layerid=1"), "alpha");
  EXPECT_EQ(nameOf("two.gpkg|layerid=0"), "zeta");
  EXPECT_EQ(nameOf("two.gpkg|layerid=0", "alpha"), "alpha");  // a name wins
  const auto missing = failure([&] { openTable({"two.gpkg|layerid=2", "", ""}, dir); });
  EXPECT_NE(missing.find("no layer number 2 (layers, from 0: zeta, alpha)"), std::string::npos) << missing;
  fs::remove_all(dir);
}

class QgisStatements : public ::testing::TestWithParam<std::string> {};

// The statement's records, and of them those a clause selects, are the ones
// the same filter picks from the table; object IDs are the table's.
TEST_P(QgisStatements, AStatementsResultIsTheTable) {
  SourceSpec source{GetParam(), "", ""};
  auto whole = openTable(source, sampleDir());
  source.statement = "SELECT * FROM landuse WHERE ACRES > 5";
  auto selected = openTable(source, sampleDir());
  const auto ids = idsOf(selected.get());
  EXPECT_EQ(ids.size(), 26u);
  EXPECT_EQ(ids, idsOf(whole.get(), where("\"ACRES\" > 5").get()));
  EXPECT_EQ(selected->RowCount(nullptr), 26);
  EXPECT_EQ(idsOf(selected.get(), where("\"USE\" = 'Park'").get()),
            idsOf(whole.get(), where("\"ACRES\" > 5 AND \"USE\" = 'Park'").get()));
  EXPECT_EQ(selected->RowCount(where("\"USE\" = 'park'").get()), 0);  // exactly, as every source compares

  source.statement = "SELECT USE, ACRES * 2 AS A2 FROM landuse WHERE ACRES > 5";
  auto computed = openTable(source, sampleDir());
  EXPECT_EQ(typeOf(computed.get(), u"A2"), host::FieldTypeDouble);
  EXPECT_EQ(computed->RowCount(where("\"A2\" > 12").get()), whole->RowCount(where("\"ACRES\" > 6").get()));
  EXPECT_NE(failure([&] { computed->RowCount(where("\"DISTRICT\" = 'North'").get()); }), "(no failure)");

  source.statement = "SELECT * FROM landuse WHERE NOSUCH > 5";
  const auto bad = failure([&] { openTable(source, sampleDir()); });
  EXPECT_NE(bad.find("the layer's SQL statement \"SELECT * FROM landuse WHERE NOSUCH > 5\" cannot run: "),
            std::string::npos) << bad;
}

INSTANTIATE_TEST_SUITE_P(ShapefileAndGeoPackage, QgisStatements, ::testing::Values("landuse.shp", "landuse.gpkg"));

TEST(QgisStatements, EachDriverRunsItsOwnDialect) {
  SourceSpec source{"landuse.gpkg", "", "landuse", "SELECT USE, count(*) AS N FROM landuse GROUP BY USE"};
  auto groups = openTable(source, sampleDir());
  EXPECT_EQ(groups->RowCount(nullptr), 10);
  // rows without the table's fid are numbered from 0, as GDAL numbers them
  EXPECT_EQ(*idsOf(groups.get()).begin(), 0);
  EXPECT_EQ(text::toUtf8(com::query<host::IDatasetName>(groups.get())->Name()), "landuse");
  source = {"landuse.shp", "", "", source.statement};
  EXPECT_NE(failure([&] { openTable(source, sampleDir()); }), "(no failure)");  // OGR's SQL has no GROUP BY
}

}  // namespace
}  // namespace mapdoc::testing
