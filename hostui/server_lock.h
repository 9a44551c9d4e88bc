#pragma once
// The user-interface library's count of live objects and server locks.
#include "platform/com/server_lock.h"

namespace hostui {

struct LibraryTag;
using ServerLock = com::ServerLock<LibraryTag>;

}  // namespace hostui
