#pragma once
// The formatting statements of a field's chain: each takes the value the
// previous step gave and returns the next. A statement that can not be
// carried out leaves the value as it was; none reports an error.
#include <string_view>

#include "platform/com/variant.h"

namespace engine {

// name is compared without regard to case; a name without a row ("NONE",
// the summary names, anything else) returns the value unchanged.
com::Variant ApplyFormattingStatement(const com::Variant& value, std::u16string_view name, const com::Variant& arg1,
                                      const com::Variant& arg2);

// The numeric test of the statements: numbers, booleans, the empty value
// and text the locale reads as a number. Null and dates are not numeric.
bool isNumericValue(const com::Variant& value, double* number = nullptr);

}  // namespace engine
