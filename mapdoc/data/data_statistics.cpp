#include "mapdoc/data/data_statistics.h"

#include <cmath>

#include "mapdoc/data/gdal_session.h"
#include "platform/text/utf.h"

namespace mapdoc::data {

host::Ref<host::IStatisticsResults> DataStatistics::Statistics() {
  if (results_) return results_;
  if (!cursor_) throwHostError("the statistics have no cursor");
  const int index = cursor_->FindField(field_);
  if (index < 0) throwHostError("field \"" + text::toUtf8(field_) + "\" not found");
  // Welford's running mean and squared deviations stay exact enough over
  // millions of records where the naive sum of squares does not.
  std::int32_t count = 0;
  double min = 0, max = 0, sum = 0, mean = 0, m2 = 0;
  std::int64_t position = 0;
  for (auto row = cursor_->NextRow(); row; row = cursor_->NextRow(), ++position) {
    if (sampleRate_ > 1 && position % sampleRate_ != 0) continue;
    const host::Value v = row->Value(index);
    if (v.isNull() || v.isEmpty()) continue;
    if (!v.isNumber() && !v.isDate() && !v.isBool())
      throwHostError("field \"" + text::toUtf8(field_) + "\" is not numeric");
    const double x = v.toDouble();
    if (count == 0 || x < min) min = x;
    if (count == 0 || x > max) max = x;
    ++count;
    sum += x;
    const double delta = x - mean;
    mean += delta / count;
    m2 += delta * (x - mean);
  }
  const double sd = count > 0 ? std::sqrt(m2 / count) : 0.0;
  results_ = com::make<StatisticsResults>(count, min, max, sum, count ? mean : 0.0, sd);
  cursor_ = nullptr;
  return results_;
}

}  // namespace mapdoc::data
