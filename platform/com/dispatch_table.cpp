#include "platform/com/dispatch_table.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "platform/com/error.h"
#include "platform/com/variant_coerce.h"

namespace com {
namespace {

bool sameName(std::u16string_view a, std::u16string_view b) {
  UErrorCode status = U_ZERO_ERROR;
  int r = u_strCaseCompare(a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()),
                           U_FOLD_CASE_DEFAULT, &status);
  return U_SUCCESS(status) && r == 0;
}

}  // namespace

DispatchTable::Member& DispatchTable::member(std::u16string name, DISPID* id) {
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (sameName(members_[i].name, name)) {
      *id = static_cast<DISPID>(i + 1);
      return members_[i];
    }
  }
  members_.push_back(Member{std::move(name), {}, {}, {}});
  *id = static_cast<DISPID>(members_.size());
  return members_.back();
}

DISPID DispatchTable::addGet(std::u16string name, Handler handler) {
  DISPID id;
  member(std::move(name), &id).get = Call{{}, std::move(handler)};
  return id;
}

DISPID DispatchTable::addPut(std::u16string name, DispatchParam value, Handler handler) {
  DISPID id;
  member(std::move(name), &id).put = Call{{std::move(value)}, std::move(handler)};
  return id;
}

DISPID DispatchTable::addMethod(std::u16string name, std::vector<DispatchParam> params, Handler handler) {
  DISPID id;
  member(std::move(name), &id).method = Call{std::move(params), std::move(handler)};
  return id;
}

HRESULT DispatchTable::GetIDsOfNames(std::u16string_view name, DISPID* id) const {
  if (!id) return E_POINTER;
  *id = DISPID_UNKNOWN;
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (sameName(members_[i].name, name)) {
      *id = static_cast<DISPID>(i + 1);
      return S_OK;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT DispatchTable::Invoke(DISPID id, std::uint16_t flags, const std::vector<Variant>& args, Variant* result,
                              ExceptionInfo* excepInfo, std::uint32_t* argErr) const {
  if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
  const Member& m = members_[static_cast<std::size_t>(id - 1)];
  if ((flags & DISPATCH_PROPERTYPUT) && m.put) return run(*m.put, args, nullptr, excepInfo, argErr);
  if ((flags & DISPATCH_METHOD) && m.method) return run(*m.method, args, result, excepInfo, argErr);
  if ((flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) && m.get) return run(*m.get, args, result, excepInfo, argErr);
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT DispatchTable::run(const Call& call, const std::vector<Variant>& args, Variant* result,
                           ExceptionInfo* excepInfo, std::uint32_t* argErr) const {
  if (args.size() > call.params.size()) return DISP_E_BADPARAMCOUNT;
  std::vector<Variant> converted;
  converted.reserve(call.params.size());
  for (std::size_t i = 0; i < call.params.size(); ++i) {
    const DispatchParam& p = call.params[i];
    if (i >= args.size()) {
      if (!p.defaultValue) return DISP_E_PARAMNOTOPTIONAL;
      converted.push_back(*p.defaultValue);
      continue;
    }
    try {
      converted.push_back(coerce(args[i], p.type));
    } catch (const Error& e) {
      if (argErr) *argErr = static_cast<std::uint32_t>(i);
      return e.code();
    }
  }
  try {
    Variant r = call.handler(converted);
    if (result) *result = std::move(r);
    return S_OK;
  } catch (const Error& e) {
    if (excepInfo) *excepInfo = ExceptionInfo{e.code(), e.source(), e.description()};
  } catch (const std::bad_alloc&) {
    if (excepInfo) *excepInfo = ExceptionInfo{E_OUTOFMEMORY, {}, u"Out of memory"};
  } catch (...) {
    if (excepInfo) *excepInfo = ExceptionInfo{E_FAIL, {}, {}};
  }
  return DISP_E_EXCEPTION;
}

std::vector<std::u16string> DispatchTable::names() const {
  std::vector<std::u16string> r;
  for (const auto& m : members_) r.push_back(m.name);
  return r;
}

}  // namespace com
