#pragma once
// Where the per-user settings store lives and what went wrong opening it.
//
// The store is one SQLite database per user: $CARROWIND_REGISTRY when set,
// else $XDG_CONFIG_HOME/quorvex/registry.db, else ~/.config/quorvex/registry.db.
// It is opened on the first registry call. A file that is damaged or is not
// a settings store is never written to: every call then fails with
// ERROR_BADDB (ERROR_CANTOPEN when the file cannot be opened at all) and
// storeError() says why. Neither is an empty (0-byte) file that no program
// is making a store: the store's file is made by the process that makes it
// a store, so an empty one is what is left of a store cut short.
#include <filesystem>
#include <string>

#include "platform/registry/registry.h"

namespace registry {

// The file the next opening uses (the override, or the environment's).
std::filesystem::path storePath();

// Points the store at another file (an empty path goes back to the
// environment). Closes the open store; handles opened before become invalid.
void setStorePath(const std::filesystem::path& file);

// Why the store could not be opened or used, for the user; empty while the
// store works.
std::string storeError();

// What a registry call's failure means, for a message: "the disk is full
// (the settings store FILE)", "the settings store FILE is read-only", "... is
// locked by another program", "... is damaged or is not a settings store
// (why)" and so on.
std::string describeFailure(LONG code);

}  // namespace registry
