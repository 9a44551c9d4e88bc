#pragma once
// What keeps the engine library loaded: objects it handed out (their code
// lives here) and LockServer calls on its class factory. DllCanUnloadNow
// answers from these counts.
#include "platform/com/server_lock.h"

namespace engine {

struct EngineLibraryTag;
using ModuleLock = com::ServerLock<EngineLibraryTag>;

}  // namespace engine
