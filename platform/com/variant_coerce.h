#pragma once
// Conversion of dispatch arguments to the type a member declares, as the
// automation runtime does before a call. Text is converted to numbers and
// booleans only in the locale-independent form ("12", "-3.5", "True");
// anything else is a type mismatch. Throws Error with DISP_E_TYPEMISMATCH or
// DISP_E_OVERFLOW.
#include "platform/com/variant.h"

namespace com {

// The target kinds a member may declare; Kind::Empty means "any variant".
Variant coerce(const Variant& value, Variant::Kind target);

bool toBool(const Variant& value);
std::int16_t toInt16(const Variant& value);
std::int32_t toInt32(const Variant& value);
std::u16string toString(const Variant& value);
// Empty and an object variant; an empty variant is a null reference.
ComPtr<IUnknown> toObject(const Variant& value);

}  // namespace com
