#pragma once
// Numeric statistics of one field over the records of a cursor.
#include "host/table.h"

namespace host {

struct IStatisticsResults : IUnknown {
  COM_INTERFACE("8646CFB9-D22A-4D7E-AFB2-080B0170AA23")
  virtual std::int32_t Count() = 0;
  virtual double Minimum() = 0;
  virtual double Maximum() = 0;
  virtual double Sum() = 0;
  virtual double Mean() = 0;
  virtual double StandardDeviation() = 0;
};

// Created by class identifier (CLSID_DataStatistics). SampleRate -1 reads
// every record; n > 1 reads every n-th record starting with the first.
// Nulls are ignored; the standard deviation is the population's; an empty
// set gives zeros.
struct IDataStatistics : IUnknown {
  COM_INTERFACE("02A835C0-74CA-4EC1-AB84-0B2EB8D4CDEE")
  virtual std::int32_t SampleRate() = 0;
  virtual void SampleRate(std::int32_t rate) = 0;
  virtual Text Field() = 0;
  virtual void Field(const Text& name) = 0;
  virtual void Cursor(ICursor* cursor) = 0;
  virtual Ref<IStatisticsResults> Statistics() = 0;
};

}  // namespace host
