#pragma once
// What keeps the engine library loaded: objects it handed out (their code
// lives here) and LockServer calls on its class factory. DllCanUnloadNow
// answers from these counts.
#include <atomic>

namespace engine {

class ModuleLock {
 public:
  static void lockServer(bool lock);
  static bool canUnload();
  static long objectCount();

  // A member of every object the library hands out.
  class ObjectReference {
   public:
    ObjectReference();
    ObjectReference(const ObjectReference&);
    ObjectReference& operator=(const ObjectReference&) = default;
    ~ObjectReference();
  };
};

}  // namespace engine
