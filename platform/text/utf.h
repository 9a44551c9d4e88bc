#pragma once
// Conversions between the UTF-16 text of the object model and the UTF-8 of
// files, GDAL and the terminal. Invalid sequences become U+FFFD.
#include <string>
#include <string_view>

namespace text {

std::string toUtf8(std::u16string_view s);
std::u16string fromUtf8(std::string_view s);

}  // namespace text
