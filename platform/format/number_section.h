#pragma once
// Number formats: the codes 0 # . , % E+ E- e+ e- and literals, in up to
// four sections (positive; negative; zero; null).
#include <optional>
#include <string>
#include <vector>

namespace platform::format {

// nullopt for a null value when there is no fourth section.
std::optional<std::u16string> formatNumberSections(double value, const std::vector<std::u16string>& sections, bool isNull);

}  // namespace platform::format
