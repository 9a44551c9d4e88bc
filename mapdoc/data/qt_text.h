#pragma once
// Numbers as Qt reads and writes them in text (QString::toDouble and
// QString::number in the C locale), which QGIS's categories, cached joins
// and graduated ranges go by.
#include <optional>
#include <string>
#include <string_view>

namespace mapdoc::data {

// A number in text: blanks around it, a sign, digits with a point, an
// exponent; "nan", "inf"; nullopt for anything else ("1,5", "0x10").
std::optional<double> qtNumber(std::string_view text);

// The shortest digits that read back as x, in exponent form only where that
// is shorter: "1", "0.5", "1500000", "1e+06", "1e-05"; -0 is "0".
std::string qtNumberText(double x);

}  // namespace mapdoc::data
