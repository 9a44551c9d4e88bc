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
