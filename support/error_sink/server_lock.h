#pragma once
// What keeps the sink library loaded: live objects and LockServer calls.
namespace support::ServerLock {

void objectCreated();
void objectDestroyed();
void lock(bool on);
bool canUnload();

}  // namespace support::ServerLock
