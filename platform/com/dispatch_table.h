#pragma once
// The implementation side of IDispatch: a table of members by name, each a
// property get, a property put or a method with declared parameters. The
// table converts arguments to the declared types, fills in the defaults of
// optional parameters left off at the end, and turns an Error thrown by a
// member into DISP_E_EXCEPTION with the error's description.
#include <functional>
#include <optional>
#include <vector>

#include "platform/com/dispatch.h"

namespace com {

struct DispatchParam {
  std::u16string name;
  // The argument is converted to this kind before the call; Empty takes any.
  Variant::Kind type = Variant::Kind::Empty;
  // Present for an optional parameter: the value it takes when left off.
  std::optional<Variant> defaultValue;
};

class DispatchTable {
 public:
  // Receives the arguments converted, one per declared parameter.
  using Handler = std::function<Variant(const std::vector<Variant>& args)>;

  // A get and a put of the same name share one DISPID, as in a type library.
  // Identifiers are handed out from 1 in the order names first appear.
  DISPID addGet(std::u16string name, Handler handler);
  DISPID addPut(std::u16string name, DispatchParam value, Handler handler);
  DISPID addMethod(std::u16string name, std::vector<DispatchParam> params, Handler handler);

  HRESULT GetIDsOfNames(std::u16string_view name, DISPID* id) const;
  HRESULT Invoke(DISPID id, std::uint16_t flags, const std::vector<Variant>& args, Variant* result,
                 ExceptionInfo* excepInfo, std::uint32_t* argErr) const;

  // The member names as declared, in identifier order.
  std::vector<std::u16string> names() const;

 private:
  struct Call {
    std::vector<DispatchParam> params;
    Handler handler;
  };
  struct Member {
    std::u16string name;
    std::optional<Call> get, put, method;
  };
  Member& member(std::u16string name, DISPID* id);
  HRESULT run(const Call& call, const std::vector<Variant>& args, Variant* result, ExceptionInfo* excepInfo,
              std::uint32_t* argErr) const;

  std::vector<Member> members_;  // DISPID k is members_[k - 1]
};

}  // namespace com
