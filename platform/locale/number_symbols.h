#pragma once
// The number symbols of one ICU locale, read once and kept for the process.
#include <string>

namespace platform::locale {

struct NumberSymbols {
  std::u16string decimal, grouping, currency, minus, plus;
};

const NumberSymbols& numberSymbols(const std::string& icuName);

}  // namespace platform::locale
