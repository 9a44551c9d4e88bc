#pragma once
// The wrap length the dialog hands to the labeler.
#include <cstdint>
#include <string_view>

namespace dialogs {

// The wrap length for the labeler: the text rounded to a whole number
// (halves to the even neighbour) when wrapping is on and the text is
// numeric (platform::locale::isDecimalText); 0 (no wrapping) when wrapping
// is off, the text is not numeric, the number is below 1 or does not fit a
// 16-bit integer.
std::int16_t wrapLengthFor(bool wrapLabels, std::u16string_view text);

}  // namespace dialogs
