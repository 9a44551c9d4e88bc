#include "engine/string_collection.h"

#include "platform/com/error.h"
#include "platform/com/variant_coerce.h"

namespace engine {

std::size_t StringCollection::checkedIndex(std::int32_t index) const {
  if (index < 1 || static_cast<std::size_t>(index) > items_.size())
    throw com::Error(com::DISP_E_BADINDEX, u"Subscript out of range");
  return static_cast<std::size_t>(index - 1);
}

std::int32_t StringCollection::Count() { return static_cast<std::int32_t>(items_.size()); }
std::u16string StringCollection::Item(std::int32_t index) { return items_[checkedIndex(index)]; }
void StringCollection::Add(const std::u16string& item) { items_.push_back(item); }
void StringCollection::Remove(std::int32_t index) {
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(checkedIndex(index)));
}

const com::DispatchTable& StringCollection::dispatch() {
  if (!dispatch_) {
    using K = com::Variant::Kind;
    auto t = std::make_unique<com::DispatchTable>();
    t->addGet(u"Count", [this](const auto&) { return com::Variant(Count()); });
    t->addMethod(u"Item", {{u"Index", K::Int32, {}}},
                 [this](const auto& a) { return com::Variant(Item(a[0].int32())); });
    t->addMethod(u"Add", {{u"Item", K::Text, {}}}, [this](const auto& a) {
      Add(a[0].text());
      return com::Variant();
    });
    t->addMethod(u"Remove", {{u"Index", K::Int32, {}}}, [this](const auto& a) {
      Remove(a[0].int32());
      return com::Variant();
    });
    dispatch_ = std::move(t);
  }
  return *dispatch_;
}

com::HRESULT StringCollection::GetIDsOfNames(std::u16string_view name, com::DISPID* id) {
  return dispatch().GetIDsOfNames(name, id);
}

com::HRESULT StringCollection::Invoke(com::DISPID id, std::uint16_t flags, const std::vector<com::Variant>& args,
                                      com::Variant* result, com::ExceptionInfo* excepInfo, std::uint32_t* argErr) {
  return dispatch().Invoke(id, flags, args, result, excepInfo, argErr);
}

}  // namespace engine
