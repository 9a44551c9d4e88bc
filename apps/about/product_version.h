#pragma once
// What --version prints: the program and the product's version on one line,
// the libraries it runs with on the next. The libraries' versions are those
// loaded at run time, which may differ from the ones it was built against.
#include <string>
#include <string_view>

namespace carrowind::about {

// "carrowind 2.2.0\nGDAL 3.6.2, PROJ 9.1.1, Qt 6.4.2, ICU 72.1, SQLite 3.40.1"
// (no Qt in a build without it), without a trailing line break.
std::string versionText(std::string_view program);

}  // namespace carrowind::about
