#pragma once
// GDAL set up once per process, quietly: errors are read back as text and
// reported through HostError, never printed.
#include <string>

#include "host/types.h"

namespace mapdoc::data {

void ensureGdal();

// The text of the last GDAL error on this thread ("" when there is none),
// and a reset before a call whose failure is to be reported.
std::string lastGdalError();
void clearGdalError();

// The first failure since clearGdalError() on this thread, falling back to
// the last error: a database driver that fails a statement goes on to fail
// the next (its cursor is gone), and only the first says why.
std::string firstGdalError();

// What GDAL said first since clearGdalError() on this thread, warnings
// included: PostgreSQL's driver only warns when the server goes while it
// sets up the connection ("PQsetClientEncoding(UTF8) failed. server closed
// the connection unexpectedly ..."), then goes on with no tables.
std::string firstGdalProblem();

// A data source's name as messages show it: a connection string's password
// (password=..., quoted or not, or user:password@ in a URI) as "***".
std::string shownSource(const std::string& openName);

// Throws HostError with what, followed by GDAL's own message when it has one.
[[noreturn]] void throwGdalError(const std::string& what);
[[noreturn]] void throwHostError(const std::string& message);

}  // namespace mapdoc::data
