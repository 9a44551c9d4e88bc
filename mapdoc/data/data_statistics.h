#pragma once
// Statistics of one numeric field over a cursor (CLSID_DataStatistics):
// nulls are skipped, the standard deviation is the population's, and a set
// without values gives zeros.
#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc::data {

class StatisticsResults : public com::Object<host::IStatisticsResults> {
 public:
  StatisticsResults(std::int32_t count, double min, double max, double sum, double mean, double sd)
      : count_(count), min_(min), max_(max), sum_(sum), mean_(mean), sd_(sd) {}
  std::int32_t Count() override { return count_; }
  double Minimum() override { return min_; }
  double Maximum() override { return max_; }
  double Sum() override { return sum_; }
  double Mean() override { return mean_; }
  double StandardDeviation() override { return sd_; }

 private:
  std::int32_t count_;
  double min_, max_, sum_, mean_, sd_;
};

class DataStatistics : public com::Object<host::IDataStatistics> {
 public:
  std::int32_t SampleRate() override { return sampleRate_; }
  // Each setting starts the statistics afresh: results of an earlier cursor
  // or field must not be handed out for the new one.
  void SampleRate(std::int32_t rate) override { sampleRate_ = rate; results_ = nullptr; }
  host::Text Field() override { return field_; }
  void Field(const host::Text& name) override { field_ = name; results_ = nullptr; }
  void Cursor(host::ICursor* cursor) override { cursor_ = host::Ref<host::ICursor>(cursor); results_ = nullptr; }
  // Reads the cursor to its end; a second call gives the same numbers.
  host::Ref<host::IStatisticsResults> Statistics() override;

 private:
  std::int32_t sampleRate_ = -1;
  host::Text field_;
  host::Ref<host::ICursor> cursor_;
  host::Ref<host::IStatisticsResults> results_;
};

}  // namespace mapdoc::data
