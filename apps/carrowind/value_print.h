#pragma once
// Field values as the command line prints and writes them: stable across
// locales (a point for decimals, ISO 8601 dates) so scripts can read them.
#include <string>

#include "host/host.h"
#include "mapdoc/json/json.h"

namespace carrowind::cli {

std::string printable(const host::Value& value);  // null and empty give "<null>"
mapdoc::Json toJson(const host::Value& value);     // null and empty give null
std::string shortestNumber(double value);

}  // namespace carrowind::cli
