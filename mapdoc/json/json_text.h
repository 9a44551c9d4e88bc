#pragma once
// JSON files of this program (map documents, kept labels) as text. Reading
// refuses what no real document holds, with the place in the file, before
// it can exhaust the stack or memory; writing keeps the text in proportion
// to the values, however deeply a member nests.
#include <filesystem>
#include <string>
#include <string_view>

#include "mapdoc/json/json.h"

namespace mapdoc {

// Lists and objects nested within each other deeper than this are refused.
// A document of 40 group layers, each inside the one before, nests 90 deep.
inline constexpr int kMaxJsonDepth = 100;

// Nesting to this depth is written indented as nlohmann-json's dump(2)
// writes it; anything deeper is written on one line.
inline constexpr int kIndentedJsonDepth = 32;

// Parses text read from file. Throws DocumentError naming file, the member
// where it is known, and the line and column.
Json parseJsonText(std::string_view text, const std::filesystem::path& file);

// value as documents are saved, followed by no line break.
std::string jsonText(const Json& value);

}  // namespace mapdoc
