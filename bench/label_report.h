#pragma once
// label_bench's report: a row per measured combination, the machine it ran
// on, and the Markdown tables on standard output.
#include <string>
#include <vector>

#include "bench/label_measures.h"

namespace bench {

struct Row {
  const Renderer* renderer = nullptr;
  int features = 0;
  int classes = 0;  // the legend's
  int empty = 0;    // classes without records
  std::string format;
  double generate = 0;
  Measured make, read, ogrinfo, classQuery;
  int agree = -1;  // labels that matched the plain read's totals; -1: not run
  std::string note;
};

std::string readFile(const fs::path& p);
std::string cpuCell(const Measured& m);
std::string wallCell(const Measured& m);

// The whole report: the machine, then the rows in processor time and in wall
// time with their checks. firstClasses is the USE values of the layer the
// breaks ran on.
void printReport(const std::vector<Row>& rows, double cap, bool index, int firstClasses, const std::string& note,
                 const std::string& loadBefore, Clock::time_point runStart);

}  // namespace bench
