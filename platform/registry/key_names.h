#pragma once
// Inside the registry library: key paths and the letter-case rule of names.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace registry::detail {

// The form two names are compared in: equal folds are the same name.
std::string foldName(std::string_view name);

// A name's length as Windows counts it: UTF-16 code units.
std::size_t nameLength(std::string_view utf8);

// The components of a key path ("Software\Quorvex"). A trailing backslash is
// allowed after a name; an empty component (a leading or doubled backslash) or one longer
// than 255 characters makes the path invalid (nullopt).
std::optional<std::vector<std::string>> splitKeyPath(std::string_view path);

}  // namespace registry::detail
