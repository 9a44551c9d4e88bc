#include "mapdoc/data/data_statistics.h"

#include "mapdoc/data/gdal_session.h"
#include "platform/stats/running_statistics.h"
#include "platform/text/utf.h"

namespace mapdoc::data {

host::Ref<host::IStatisticsResults> DataStatistics::Statistics() {
  if (results_) return results_;
  if (!cursor_) throwHostError("the statistics have no cursor");
  const int index = cursor_->FindField(field_);
  if (index < 0) throwHostError("field \"" + text::toUtf8(field_) + "\" not found");
  platform::stats::RunningStatistics stats;
  std::int64_t position = 0;
  for (auto row = cursor_->NextRow(); row; row = cursor_->NextRow(), ++position) {
    if (!platform::stats::inSample(position, sampleRate_)) continue;
    const host::Value v = row->Value(index);
    if (v.isNull() || v.isEmpty()) continue;
    if (!v.isNumber() && !v.isDate() && !v.isBool())
      throwHostError("field \"" + text::toUtf8(field_) + "\" is not numeric");
    stats.add(v.toDouble());
  }
  results_ = com::make<StatisticsResults>(stats.count(), stats.minimum(), stats.maximum(), stats.sum(), stats.mean(),
                                          stats.standardDeviation());
  cursor_ = nullptr;
  return results_;
}

}  // namespace mapdoc::data
