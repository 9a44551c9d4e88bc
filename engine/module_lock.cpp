#include "engine/module_lock.h"

namespace engine {
namespace {

std::atomic<long> objects{0};
std::atomic<long> locks{0};

}  // namespace

void ModuleLock::lockServer(bool lock) {
  if (lock) {
    locks.fetch_add(1);
  } else if (locks.fetch_sub(1) <= 0) {
    locks.fetch_add(1);  // an unlock without a lock: keep the count at zero
  }
}

bool ModuleLock::canUnload() { return objects.load() == 0 && locks.load() == 0; }
long ModuleLock::objectCount() { return objects.load(); }

ModuleLock::ObjectReference::ObjectReference() { objects.fetch_add(1); }
ModuleLock::ObjectReference::ObjectReference(const ObjectReference&) { objects.fetch_add(1); }
ModuleLock::ObjectReference::~ObjectReference() { objects.fetch_sub(1); }

}  // namespace engine
