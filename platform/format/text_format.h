#pragma once
// Text codes of format instructions: @ & < > ! and literals.
#include <string>
#include <string_view>

namespace platform::format {

std::u16string formatTextSection(std::u16string_view text, std::u16string_view section);

}  // namespace platform::format
