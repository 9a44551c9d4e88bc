#pragma once
// What keeps the sink library loaded: live objects and LockServer calls.
#include "platform/com/server_lock.h"

namespace support {

struct ErrorSinkLibraryTag;
using ServerLock = com::ServerLock<ErrorSinkLibraryTag>;

}  // namespace support
