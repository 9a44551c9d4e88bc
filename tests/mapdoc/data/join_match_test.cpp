// Joins made as QGIS 3.22 makes them, against what it was seen to join: a
// shapefile's integer, text and real keys joined to text keys (a CSV without
// .csvt, a GeoPackage table) that repeat, differ in letter case or blanks, or
// write numbers in other ways; with QGIS's memory cache and without.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "mapdoc/data/join_count.h"
#include "mapdoc/data/join_keys.h"
#include "sample_data.h"
#include "tests/common/scratch_dir.h"

namespace mapdoc::testing {
namespace {

namespace fs = std::filesystem;

// Index i is the key of the joined record "v<i>"; nullopt is a null (an
// empty field in the CSV).
const std::vector<std::optional<std::string>> kJoinKeys = {
    "1", "1", "12", "012", " 12", "02", "7.0", "1e+06", "1000000", "abc", "ABC", "", std::nullopt, "0", "1",
    "2020-01-02", "0.5", "1.2e+07", "12000000"};

struct Site {
  const char* name;
  std::optional<int> key;
  std::optional<std::string> text;
  std::optional<double> real;
};
const std::vector<Site> kSites = {{"s1", 1, "1", 1.0},       {"s2", 2, "02", 2.0},
                                  {"s12", 12, "012", 12.0},  {"s7", 7, "7.0", 7.0},
                                  {"s0", 0, "", 0.5},         {"snull", {}, {}, {}},
                                  {"smillion", 1000000, "abc", 1e6}, {"sbig", 12000000, "ABC", 1.2e7}};

class QgisJoins : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test_support::scratchDir("cw_join_match_");
    GDALAllRegister();
    {
      GDALDatasetUniquePtr ds(GetGDALDriverManager()->GetDriverByName("ESRI Shapefile")->Create(
          (dir_ / "sites.shp").c_str(), 0, 0, 0, GDT_Unknown, nullptr));
      OGRLayer* layer = ds->CreateLayer("sites", nullptr, wkbPoint, nullptr);
      for (auto [name, type] : {std::pair{"NAME", OFTString}, {"KEY", OFTInteger}, {"TKEY", OFTString}, {"RKEY", OFTReal}}) {
        OGRFieldDefn field(name, type);
        layer->CreateField(&field);
      }
      for (const auto& site : kSites) {
        OGRFeature f(layer->GetLayerDefn());
        f.SetField("NAME", site.name);
        if (site.key) f.SetField("KEY", *site.key);
        if (site.text) f.SetField("TKEY", site.text->c_str());
        if (site.real) f.SetField("RKEY", *site.real);
        OGRPoint point(0, 0);
        f.SetGeometry(&point);
        ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
      }
    }
    std::ofstream csv(dir_ / "keys.csv");
    csv << "K,V\n";
    for (std::size_t i = 0; i < kJoinKeys.size(); ++i) csv << (kJoinKeys[i] ? "\"" + *kJoinKeys[i] + "\"" : "") << ",v" << i << "\n";
    csv.close();
    GDALDatasetUniquePtr gpkg(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(
        (dir_ / "keys.gpkg").c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    OGRLayer* keys = gpkg->CreateLayer("keys", nullptr, wkbNone, nullptr);
    for (const char* name : {"K", "V"}) {
      OGRFieldDefn field(name, OFTString);
      keys->CreateField(&field);
    }
    for (std::size_t i = 0; i < kJoinKeys.size(); ++i) {
      OGRFeature f(keys->GetLayerDefn());
      if (kJoinKeys[i]) f.SetField("K", kJoinKeys[i]->c_str());
      f.SetField("V", ("v" + std::to_string(i)).c_str());
      ASSERT_EQ(keys->CreateFeature(&f), OGRERR_NONE);
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  host::Ref<host::ITable> join(const std::string& keys, const std::u16string& key, JoinMatch match) {
    JoinOptions options;
    options.prefixed = true;
    options.prefix = u"j_";
    options.match = match;
    return joinTables(openTable({"sites.shp", "", ""}, dir_).get(), openTable({keys, "", ""}, dir_).get(), key, u"K",
                      options);
  }
  // The joined V of every site, "" where nothing joins.
  std::vector<std::string> joined(const std::string& keys, const std::u16string& key, JoinMatch match) {
    auto table = join(keys, key, match);
    const int v = fieldIndex(table.get(), u"j_V");
    std::vector<std::string> out;
    auto cursor = table->Search(nullptr, true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow())
      out.push_back(row->Value(v).isText() ? text::toUtf8(row->Value(v).text()) : "");
    return out;
  }
  fs::path dir_;
};

using V = std::vector<std::string>;

TEST_F(QgisJoins, WithTheCacheKeysMeetAsQtWritesThemAndTheLastRecordWins) {
  // 12 meets "12" only; a null number is "0"; 1000000.0 is "1e+06", 12000000.0 "1.2e+07"
  EXPECT_EQ(joined("keys.csv", u"KEY", JoinMatch::QgisCached), (V{"v14", "", "v2", "", "v13", "v13", "v8", "v18"}));
  EXPECT_EQ(joined("keys.csv", u"RKEY", JoinMatch::QgisCached), (V{"v14", "", "v2", "", "v16", "v13", "v7", "v17"}));
  // text exactly, letter case and blanks included; a null text is "" (and so is an empty one)
  EXPECT_EQ(joined("keys.csv", u"TKEY", JoinMatch::QgisCached), (V{"v14", "v5", "v3", "v6", "v12", "v12", "v9", "v10"}));
  EXPECT_EQ(joined("keys.gpkg", u"KEY", JoinMatch::QgisCached), joined("keys.csv", u"KEY", JoinMatch::QgisCached));
}

TEST_F(QgisJoins, WithoutTheCacheTheFirstRecordWhoseKeyEqualsTheValueInQgisExpressionsWins) {
  // numbers meet texts that read as the same number ("02", "7.0", "1e+06"); null meets no "" text
  EXPECT_EQ(joined("keys.csv", u"KEY", JoinMatch::QgisDirect), (V{"v0", "v5", "v2", "v6", "v13", "", "v7", "v17"}));
  EXPECT_EQ(joined("keys.csv", u"RKEY", JoinMatch::QgisDirect), (V{"v0", "v5", "v2", "v6", "v16", "", "v7", "v17"}));
  EXPECT_EQ(joined("keys.csv", u"TKEY", JoinMatch::QgisDirect), (V{"v0", "v5", "v3", "v6", "", "", "v9", "v10"}));
  // a GeoPackage's SQLite compares a number with text as it writes the number: 1e6 is "1000000.0"
  EXPECT_EQ(joined("keys.gpkg", u"KEY", JoinMatch::QgisDirect), (V{"v0", "", "v2", "", "v13", "v12", "v8", "v18"}));
  EXPECT_EQ(joined("keys.gpkg", u"RKEY", JoinMatch::QgisDirect), (V{"v0", "", "v2", "", "v16", "v12", "", ""}));
  EXPECT_EQ(joined("keys.gpkg", u"TKEY", JoinMatch::QgisDirect), (V{"v0", "v5", "v3", "v6", "v12", "v12", "v9", "v10"}));
}

TEST_F(QgisJoins, DocumentsKeepTheFirstRecordWithAnEqualValue) {
  // a number meets a text that reads as the same number ("02", "7.0", "1e+06"), in a CSV and a GeoPackage
  // alike; nulls meet nothing
  const V byNumber{"v0", "v5", "v2", "v6", "v13", "", "v7", "v17"};
  EXPECT_EQ(joined("keys.csv", u"KEY", JoinMatch::FirstEqual), byNumber);
  EXPECT_EQ(joined("keys.gpkg", u"KEY", JoinMatch::FirstEqual), byNumber);
  EXPECT_EQ(joined("keys.csv", u"RKEY", JoinMatch::FirstEqual), (V{"v0", "v5", "v2", "v6", "v16", "", "v7", "v17"}));
  // text meets text exactly: "012" is not "12", "abc" not "ABC"
  EXPECT_EQ(joined("keys.csv", u"TKEY", JoinMatch::FirstEqual), (V{"v0", "v5", "v3", "v6", "", "", "v9", "v10"}));
}

TEST_F(QgisJoins, DocumentsMeetTextLayerKeysWithNumberKeysToo) {
  // the other way round: the CSV's text keys as the layer's, the sites' integer keys joined
  auto table = joinTables(openTable({"keys.csv", "", ""}, dir_).get(), openTable({"sites.shp", "", ""}, dir_).get(),
                          u"K", u"KEY");
  const int name = fieldIndex(table.get(), u"sites.NAME");
  V names;
  auto cursor = table->Search(nullptr, true);
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow())
    names.push_back(row->Value(name).isText() ? text::toUtf8(row->Value(name).text()) : "");
  EXPECT_EQ(names, (V{"s1", "s1", "s12", "s12", "s12", "s2", "s7", "smillion", "smillion", "", "", "", "", "s0", "s1",
                      "", "", "sbig", "sbig"}));
}

TEST_F(QgisJoins, EachJoinCountsTheLayerRecordsItMatched) {
  auto count = [&](const std::string& keys, const std::u16string& key, JoinMatch match) {
    return com::query<data::IJoinCount>(join(keys, key, match).get())->Count();
  };
  const auto numbers = count("keys.csv", u"KEY", JoinMatch::FirstEqual);
  EXPECT_EQ(numbers.records, 8);
  EXPECT_EQ(numbers.matched, 7);  // all but the null
  EXPECT_EQ(numbers.layerTable, "sites");
  EXPECT_EQ(numbers.layerKey, "sites.KEY");
  EXPECT_EQ(numbers.layerKeyType, "integer");
  EXPECT_EQ(numbers.joinKey, "keys.K");
  EXPECT_EQ(numbers.joinKeyType, "text");
  // QGIS's own rules decide what matched
  EXPECT_EQ(count("keys.csv", u"KEY", JoinMatch::QgisCached).matched, 6);
  EXPECT_EQ(count("keys.gpkg", u"RKEY", JoinMatch::QgisDirect).matched, 4);
  EXPECT_EQ(count("keys.csv", u"RKEY", JoinMatch::QgisDirect).layerKeyType, "real");
  // names are no keys
  const auto none = count("keys.csv", u"NAME", JoinMatch::FirstEqual);
  EXPECT_EQ(none.matched, 0);
  EXPECT_EQ(none.records, 8);
}

TEST(QgisKeyText, RealsAsQgisWritesThemOut) {
  // what QGIS 3.22 gave for to_string() of these reals
  const std::vector<std::pair<double, std::string>> seen = {
      {1.0, "1"},           {12.5, "12.5"},        {1e15, "1e+15"},       {1.2345678901234568e17, "123456789012345680"},
      {0.1, "0.1"},         {1e-4, "0.0001"},      {1e-5, "1e-05"},       {0.000123, "0.000123"},
      {2.5e-7, "2.5e-07"},  {1234567.0, "1234567"}, {100000.0, "100000"}, {1e6, "1e+06"},
      {1e20, "1e+20"},      {0.1 + 0.2, "0.30000000000000004"},           {123456.789, "123456.789"},
      {1200000.0, "1200000"}, {1.2e7, "1.2e+07"},  {-2.5, "-2.5"}};
  for (const auto& [x, text] : seen) EXPECT_EQ(data::qtText(host::Value(x), data::ValueKind::Real), text) << x;
  EXPECT_EQ(data::qtText(host::Value(1e6), data::ValueKind::Integer64), "1000000");
  EXPECT_EQ(data::qtText(host::Value::null(), data::ValueKind::Integer), "0");
  EXPECT_EQ(data::qtText(host::Value::null(), data::ValueKind::Date), "");
  EXPECT_EQ(data::qtText(host::Value::date(43832.0), data::ValueKind::Date), "2020-01-02");
  EXPECT_EQ(data::qtText(host::Value::date(43832.5), data::ValueKind::DateTime), "2020-01-02T12:00:00.000");
}

}  // namespace
}  // namespace mapdoc::testing
