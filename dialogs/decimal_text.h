#pragma once
// The dialog's numeric test and the wrap length it hands to the labeler.
#include <cstdint>
#include <string_view>

namespace dialogs {

// True when text, without its surrounding blanks, is a decimal number: an
// optional sign, digits with an optional decimal separator (the locale's,
// or a point), an optional exponent. On success value receives the number.
bool isDecimalText(std::u16string_view text, double* value = nullptr);

// The wrap length for the labeler: the text rounded to a whole number
// (halves to the even neighbour) when wrapping is on and the text is
// numeric; 0 (no wrapping) when wrapping is off, the text is not numeric,
// the number is below 1 or does not fit a 16-bit integer.
std::int16_t wrapLengthFor(bool wrapLabels, std::u16string_view text);

}  // namespace dialogs
