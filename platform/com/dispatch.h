#pragma once
// Late-bound calls: the dispatch side of a dual interface. A client looks an
// operation up by name (letter case ignored) and invokes it with variant
// arguments, as scripting clients and automation controllers do.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace com {

using DISPID = std::int32_t;
constexpr DISPID DISPID_UNKNOWN = -1;

// Invoke flags; a property get may also be called as a method.
enum DispatchFlags : std::uint16_t {
  DISPATCH_METHOD = 1,
  DISPATCH_PROPERTYGET = 2,
  DISPATCH_PROPERTYPUT = 4,
};

// What a failing call reports besides its result code.
struct ExceptionInfo {
  HRESULT code = S_OK;
  std::u16string source;
  std::u16string description;
};

struct IDispatch : IUnknown {
  COM_INTERFACE("00020400-0000-0000-C000-000000000046")
  // DISP_E_UNKNOWNNAME when no member has the name.
  virtual HRESULT GetIDsOfNames(std::u16string_view name, DISPID* id) = 0;
  // Arguments in the order the member declares them (not reversed as in the
  // original wire form). Optional arguments may be left off at the end.
  // DISP_E_EXCEPTION with excepInfo filled when the member itself failed;
  // argErr receives the position (from 0) of an argument that could not be
  // converted.
  virtual HRESULT Invoke(DISPID id, std::uint16_t flags, const std::vector<Variant>& args, Variant* result,
                         ExceptionInfo* excepInfo, std::uint32_t* argErr) = 0;
};

// Looks the member up and invokes it; throws Error with the member's own
// description when it fails, or a description of the dispatch failure.
Variant invokeByName(IDispatch* object, std::u16string_view name, std::uint16_t flags,
                     const std::vector<Variant>& args = {});

}  // namespace com
