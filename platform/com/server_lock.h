#pragma once
// What keeps a component library loaded: the objects it handed out (their
// code lives there) and LockServer calls on its class factories.
// DllCanUnloadNow answers from these counts. One count per library: each
// library instantiates the template with a tag type of its own.
#include <atomic>

namespace com {

template <class LibraryTag>
class ServerLock {
 public:
  static void lockServer(bool lock) {
    if (lock) {
      locks_.fetch_add(1);
      return;
    }
    // An unlock without a lock leaves the count at zero.
    long n = locks_.load();
    while (n > 0 && !locks_.compare_exchange_weak(n, n - 1)) {
    }
  }
  static bool canUnload() { return objects_.load() == 0 && locks_.load() == 0; }
  static long objectCount() { return objects_.load(); }

  // A member of every object the library hands out.
  class ObjectReference {
   public:
    ObjectReference() { objects_.fetch_add(1); }
    ObjectReference(const ObjectReference&) : ObjectReference() {}
    ObjectReference& operator=(const ObjectReference&) = default;
    ~ObjectReference() { objects_.fetch_sub(1); }
  };

 private:
  static inline std::atomic<long> objects_{0};
  static inline std::atomic<long> locks_{0};
};

}  // namespace com
