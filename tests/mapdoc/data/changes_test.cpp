// Data edited on disk while a table is open: the next search sees the new
// records, not what earlier searches remembered; a changed schema is refused
// rather than read with the old field positions.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <gtest/gtest.h>

#include "sample_data.h"
#include "tests/common/scratch_dir.h"

namespace mapdoc::testing {
namespace {

namespace fs = std::filesystem;

class Changes : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test_support::scratchDir("cw_changes_");
    for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
      fs::copy_file(sampleDir() / (std::string("landuse") + ext), dir_ / (std::string("landuse") + ext));
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Edits the copy with GDAL and moves the files' times on, as a save by
  // another program would.
  void edit(const std::function<void(OGRLayer&)>& change) {
    GDALAllRegister();  // this test may be the first to use GDAL
    {
      GDALDatasetUniquePtr ds(GDALDataset::Open((dir_ / "landuse.shp").c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
      ASSERT_TRUE(ds);
      change(*ds->GetLayer(0));
    }
    for (const char* ext : {".shp", ".dbf"}) {
      const fs::path p = dir_ / (std::string("landuse") + ext);
      fs::last_write_time(p, fs::last_write_time(p) + std::chrono::seconds(2));
    }
  }

  host::Ref<host::ITable> open() { return openTable({"landuse.shp", "", ""}, dir_); }
  fs::path dir_;
};

TEST_F(Changes, TheNextSearchSeesEditedRecords) {
  auto t = open();
  const auto clause = where("\"USE\" = 'Quarry'");
  const int use = fieldIndex(t.get(), u"USE");
  EXPECT_EQ(t->RowCount(clause.get()), 0);
  EXPECT_EQ(countRows(t->Search(clause.get(), true).get()), 0);
  host::Ref<host::ISelectionSet> set = makeSelectionSet(t.get(), {0, 5, 6});
  host::Ref<host::ICursor> cursor;
  set->Search(clause.get(), true, cursor);
  EXPECT_EQ(countRows(cursor.get()), 0);

  edit([](OGRLayer& layer) {
    for (GIntBig fid : {5, 9}) {
      OGRFeatureUniquePtr f(layer.GetFeature(fid));
      f->SetField("USE", "Quarry");
      ASSERT_EQ(layer.SetFeature(f.get()), OGRERR_NONE);
    }
  });
  EXPECT_EQ(t->RowCount(clause.get()), 2);
  std::vector<std::int32_t> oids;
  auto found = t->Search(clause.get(), true);
  for (auto row = found->NextRow(); row; row = found->NextRow()) {
    oids.push_back(row->OID());
    EXPECT_EQ(row->Value(use), host::Value(u"Quarry"));
  }
  EXPECT_EQ(oids, (std::vector<std::int32_t>{5, 9}));
  set->Search(clause.get(), true, cursor);
  EXPECT_EQ(countRows(cursor.get()), 1);
}

TEST_F(Changes, ANewFieldIsRefusedUntilTheTableIsOpenedAgain) {
  auto t = open();
  EXPECT_EQ(t->RowCount(nullptr), 168);
  edit([](OGRLayer& layer) {
    OGRFieldDefn extra("EXTRA", OFTInteger);
    ASSERT_EQ(layer.CreateField(&extra), OGRERR_NONE);
  });
  try {
    t->Search(nullptr, true);
    FAIL();
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("changed on disk"), std::string::npos) << e.what();
  }
  EXPECT_GE(fieldIndex(open().get(), u"EXTRA"), 0);
}

}  // namespace
}  // namespace mapdoc::testing
