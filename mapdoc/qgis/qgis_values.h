#pragma once
// How QGIS compares and converts values, for classes that hold exactly the
// features QGIS draws in them. QGIS holds values as Qt variants.
// - A categorized renderer draws a feature with the category whose value
//   (as a project keeps it: text) is exactly the text Qt writes for the
//   feature's value: integers in decimal ("5", never "05" or "+5"), reals
//   in Qt's shortest form ("1.5", "1e+06", "1500000", "1e-05", -0 as "0"),
//   booleans "true" and "false", dates "2020-01-02", date-times
//   "2020-01-02T03:04:05.000", times "03:04:05.000"; text exactly, letter
//   case and blanks included. A null, and any value no category holds, is
//   drawn with the all-other-values category. (QGIS's feature counter
//   compares values otherwise, and so disagrees with its own map for
//   "05" and the like; labels follow the map.) Date-times are compared to
//   the second.
// - A graduated renderer takes the number Qt reads in a value: a text that
//   is no number counts as 0 (" 7" is 7, "1e1" 10, "abc" 0), as do dates;
//   a null is in no class.
#include <optional>
#include <string>
#include <string_view>

#include "host/host.h"
#include "mapdoc/renderers/value_keys.h"

namespace mapdoc::qgis {

// The key rules of QGIS's categories (see ValueMatching).
const KeyRules& qgisKeyRules();

// The number a graduated renderer classifies a record's value by; nullopt
// for a null.
std::optional<double> rangeNumber(const host::Value& value, data::ValueKind kind);


}  // namespace mapdoc::qgis
