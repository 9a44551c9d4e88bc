#include "support/error_sink/server_lock.h"

#include <atomic>

namespace support::ServerLock {
namespace {

std::atomic<long> objects{0};
std::atomic<long> locks{0};

}  // namespace

void objectCreated() { objects.fetch_add(1); }
void objectDestroyed() { objects.fetch_sub(1); }

void lock(bool on) {
  if (on) {
    locks.fetch_add(1);
    return;
  }
  // An unlock without a lock leaves the count at zero.
  long n = locks.load();
  while (n > 0 && !locks.compare_exchange_weak(n, n - 1)) {
  }
}

bool canUnload() { return objects.load() == 0 && locks.load() == 0; }

}  // namespace support::ServerLock
