#include "platform/com/dispatch.h"

#include "platform/com/error.h"

namespace com {
namespace {

// The texts the automation runtime gives these failures.
std::u16string describe(HRESULT hr) {
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND: return u"Object doesn't support this property or method";
    case DISP_E_TYPEMISMATCH: return u"Type mismatch";
    case DISP_E_OVERFLOW: return u"Overflow";
    case DISP_E_PARAMNOTOPTIONAL: return u"Argument not optional";
    case DISP_E_BADPARAMCOUNT: return u"Wrong number of arguments or invalid property assignment";
    case E_POINTER: return u"Object variable not set";
    default: return u"Automation error";
  }
}

}  // namespace

Variant invokeByName(IDispatch* object, std::u16string_view name, std::uint16_t flags,
                     const std::vector<Variant>& args) {
  if (!object) throw Error(E_POINTER, describe(E_POINTER));
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(name, &id);
  if (failed(hr)) throw Error(hr, describe(hr));
  Variant result;
  ExceptionInfo info;
  std::uint32_t argErr = 0;
  hr = object->Invoke(id, flags, args, &result, &info, &argErr);
  if (hr == DISP_E_EXCEPTION) throw Error(failed(info.code) ? info.code : hr, info.description, info.source);
  if (failed(hr)) throw Error(hr, describe(hr));
  return result;
}

}  // namespace com
