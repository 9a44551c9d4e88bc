#pragma once
// Wall time and processor time of one measurement. On a machine shared with
// others' builds the wall time stretches with their load; the processor
// time is the work itself.
#include <chrono>
#include <ctime>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Seconds of processor time this process (all its threads) has used.
inline double cpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Time {
  double wall = 0;
  double cpu = 0;
};

struct Stopwatch {
  Clock::time_point wall = Clock::now();
  double cpu = cpuNow();
  Time elapsed() const { return {since(wall), cpuNow() - cpu}; }
};

}  // namespace bench
