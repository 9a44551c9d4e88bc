#pragma once
// What label_bench measures: MakeLabels and the plain read, each in a child
// process of its own that may be stopped at a cap of processor time, one
// class query on an open layer, and the fastest of repeated runs.
#include <functional>
#include <string>
#include <vector>

#include "bench/label_data.h"
#include "bench/stopwatch.h"

namespace bench {

// Shorter runs are repeated and the fastest kept: other work on the machine
// only ever adds time.
inline constexpr double kRepeatBelow = 5.0;
inline constexpr int kRepeats = 5;

struct ClassTotals {
  long count = 0;
  std::string firstUse, firstDescript;
  double acres = 0;
};

// One entry per legend class, in the document's order, and the records that
// fell in none of them.
struct Totals {
  std::vector<ClassTotals> classes;
  long outside = 0;
};

// The floor: one pass over the layer reading those fields and nothing else,
// totalled per class: per USE value, per "USE, DISTRICT" pair, or per break
// by the renderer's rule (the first upper bound at or above the value).
Totals plainRead(const fs::path& file, Kind kind, int uses);

// The attribute filter that selects the renderer's last class.
std::string lastClassClause(Kind kind, int uses);

// What one class costs a reader that asks for it alone, on a layer already
// open: the records of one class through an attribute filter, the fields the
// renderer's work needs read.
Time oneClassQuery(const fs::path& file, Kind kind, const std::string& clause);

struct ChildRun {
  bool finished = false;  // false: stopped at the cap (or signalled)
  bool ok = false;        // exited with status 0
  Time time;              // from spawn to exit; processor time of the child
  std::string out;        // standard output (when captured)
};

// Runs a program that may use cap seconds of processor time, its standard
// output captured or thrown away. The wait ends the moment the child exits;
// in case the machine is so busy that even that takes long, the child is
// also stopped after twenty times the cap in wall time.
ChildRun runChild(const std::vector<std::string>& args, bool capture, double cap);

// A measurement; a run stopped at the cap keeps the processor time it had
// used by then.
struct Measured {
  Time time;
  bool capped = false;
};

// Repeats a short measurement and keeps the least wall and processor time.
Measured fastest(const std::function<Measured()>& once);

// The same for measurements to be compared with each other, taken in turn
// so that a neighbour busy for a while slows all of them alike.
std::vector<Measured> fastestInTurn(const std::vector<std::function<Measured()>>& measurements);

// The child's side: open the document, time MakeLabels, and check every
// label against a plain read's totals. Prints
// "open <s> make <wall s> <cpu s> labels <n> agree <n>".
int childMain(const fs::path& doc, const fs::path& data, Kind kind, int uses);

// The plain read's side, in a process of its own as MakeLabels is, so that
// both pay what a fresh process pays to open a data source (a GeoPackage
// opens PROJ's and SpatiaLite's databases the first time). Prints
// "read <wall s> <cpu s> empty <n> outside <n>".
int childReadMain(const fs::path& data, Kind kind, int uses);

}  // namespace bench
