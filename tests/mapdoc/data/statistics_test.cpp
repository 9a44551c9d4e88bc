#include <gtest/gtest.h>

#include <cmath>

#include "host/statistics.h"
#include "sample_data.h"

namespace mapdoc::testing {
namespace {

host::Ref<host::IStatisticsResults> statistics(host::ITable* t, const std::u16string& field, int rate,
                                               const std::string& clause = "") {
  registerHostClasses();
  auto stats = com::create<host::IDataStatistics>(host::CLSID_DataStatistics);
  stats->Field(field);
  stats->SampleRate(rate);
  stats->Cursor(t->Search(clause.empty() ? nullptr : where(clause).get(), true).get());
  return stats->Statistics();
}

TEST(Statistics, MatchAnIndependentComputationAtEverySampleRate) {
  auto t = table("landuse.shp");
  const int acres = fieldIndex(t.get(), u"ACRES");
  for (int rate : {-1, 1, 2, 7}) {
    SCOPED_TRACE(rate);
    std::vector<double> values;
    int position = 0;
    auto cursor = t->Search(nullptr, true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow(), ++position) {
      if (rate > 1 && position % rate) continue;
      if (!row->Value(acres).isNull()) values.push_back(row->Value(acres).toDouble());
    }
    double sum = 0, min = values.front(), max = values.front();
    for (double v : values) sum += v, min = std::min(min, v), max = std::max(max, v);
    const double mean = sum / values.size();
    double ss = 0;
    for (double v : values) ss += (v - mean) * (v - mean);

    auto r = statistics(t.get(), u"ACRES", rate);
    EXPECT_EQ(r->Count(), static_cast<int>(values.size()));
    EXPECT_DOUBLE_EQ(r->Minimum(), min);
    EXPECT_DOUBLE_EQ(r->Maximum(), max);
    EXPECT_NEAR(r->Sum(), sum, 1e-9);
    EXPECT_NEAR(r->Mean(), mean, 1e-9);
    EXPECT_NEAR(r->StandardDeviation(), std::sqrt(ss / values.size()), 1e-9);  // the population's
  }
}

TEST(Statistics, AnEmptySetGivesZerosAndTextFieldsFail) {
  auto t = table("landuse.shp");
  auto r = statistics(t.get(), u"ACRES", -1, "\"ACRES\" < -1");
  EXPECT_EQ(r->Count(), 0);
  EXPECT_EQ(r->Minimum(), 0);
  EXPECT_EQ(r->Maximum(), 0);
  EXPECT_EQ(r->Mean(), 0);
  EXPECT_EQ(r->StandardDeviation(), 0);
  EXPECT_THROW(statistics(t.get(), u"USE", -1, "\"USE\" IS NOT NULL"), host::HostError);
  EXPECT_THROW(statistics(t.get(), u"NOSUCH", -1), host::HostError);
}

}  // namespace
}  // namespace mapdoc::testing

namespace mapdoc::testing {
namespace {

// Small integers, integers, 64-bit integers and object IDs give the same
// numbers as a walk over their values; nulls do not count.
TEST(Statistics, EveryNumericKindMatchesAWalk) {
  for (const auto& [path, layer, field] : std::vector<std::tuple<std::string, std::string, std::u16string>>{
           {"landuse.gpkg", "landuse", u"FLOORS"},
           {"landuse.gpkg", "landuse", u"fid"},
           {"landuse.shp", "", u"OWNER_ID"},
           {"naturalearth_lowres/naturalearth_lowres.shp", "", u"gdp_md_est"},
           {"world/world.gpkg", "", u"lifeExp"}}) {
    SCOPED_TRACE(text::toUtf8(field));
    auto t = table(path, layer);
    const int index = fieldIndex(t.get(), field);
    double sum = 0, min = 1e300, max = -1e300;
    int n = 0;
    auto cursor = t->Search(nullptr, true);
    for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) {
      const auto v = row->Value(index);
      if (v.isNull()) continue;
      ++n, sum += v.toDouble(), min = std::min(min, v.toDouble()), max = std::max(max, v.toDouble());
    }
    auto r = statistics(t.get(), field, -1);
    EXPECT_EQ(r->Count(), n);
    EXPECT_DOUBLE_EQ(r->Sum(), sum);
    EXPECT_DOUBLE_EQ(r->Minimum(), min);
    EXPECT_DOUBLE_EQ(r->Maximum(), max);
  }
}

TEST(Statistics, ANewCursorOrFieldGivesNewNumbers) {
  registerHostClasses();
  auto t = table("landuse.shp");
  auto stats = com::create<host::IDataStatistics>(host::CLSID_DataStatistics);
  stats->Field(u"ACRES");
  stats->Cursor(t->Search(where("\"ACRES\" < 2").get(), true).get());
  const double small = stats->Statistics()->Maximum();
  EXPECT_EQ(stats->Statistics()->Maximum(), small);  // asked again: the same numbers
  stats->Cursor(t->Search(where("\"ACRES\" >= 2").get(), true).get());
  EXPECT_GE(stats->Statistics()->Minimum(), 2);
  EXPECT_LT(small, 2);
  stats->Field(u"FLOORS");
  stats->Cursor(t->Search(nullptr, true).get());
  EXPECT_EQ(stats->Statistics()->Count(), statistics(t.get(), u"FLOORS", -1)->Count());
}

}  // namespace
}  // namespace mapdoc::testing
