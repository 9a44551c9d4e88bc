#pragma once
// The labeler's collection of labels, as the engine implements it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/label_collection.h"
#include "engine/module_lock.h"
#include "platform/com/dispatch.h"
#include "platform/com/dispatch_table.h"
#include "platform/com/object.h"

namespace engine {

class StringCollection : public com::Object<IStringCollection> {
 public:
  std::int32_t Count() override;
  std::u16string Item(std::int32_t index) override;
  void Add(const std::u16string& item) override;
  void Remove(std::int32_t index) override;

  // IDispatch: Count, Item (position), Add (text), Remove (position).
  com::HRESULT GetIDsOfNames(std::u16string_view name, com::DISPID* id) override;
  com::HRESULT Invoke(com::DISPID id, std::uint16_t flags, const std::vector<com::Variant>& args,
                      com::Variant* result, com::ExceptionInfo* excepInfo, std::uint32_t* argErr) override;

  const std::vector<std::u16string>& items() const { return items_; }

 private:
  const com::DispatchTable& dispatch();
  std::size_t checkedIndex(std::int32_t index) const;

  std::vector<std::u16string> items_;
  std::unique_ptr<com::DispatchTable> dispatch_;
  ModuleLock::ObjectReference moduleRef_;
};

}  // namespace engine
