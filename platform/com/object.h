#pragma once
// Implementation helper for classes that expose several interfaces: one
// reference count, and a QueryInterface that answers for every listed
// interface and for the interfaces each of them derives from.
#include <atomic>
#include <concepts>
#include <type_traits>
#include <utility>

#include "platform/com/unknown.h"

namespace com {

namespace detail {

// An interface that extends another (for instance a dual interface over
// IDispatch) names it as ComBase.
template <class I>
concept HasComBase = requires { typename I::ComBase; };

template <class I>
bool implementsIid(const IID& iid) {
  if (iid == I::iid()) return true;
  if constexpr (HasComBase<I>) return implementsIid<typename I::ComBase>(iid);
  return false;
}

}  // namespace detail

template <class First, class... Rest>
class Object : public First, public Rest... {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  HRESULT QueryInterface(const IID& iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (iid == IUnknown::iid()) {
      *ppv = static_cast<IUnknown*>(static_cast<First*>(this));
    } else if (!find<First, Rest...>(iid, ppv)) {
      *ppv = queryExtra(iid);
    }
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  std::uint32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::uint32_t Release() override {
    auto n = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (n == 0) delete this;
    return n;
  }

 protected:
  ~Object() override = default;
  // Further interfaces a derived class answers for without listing them
  // (returned without AddRef; QueryInterface adds it).
  virtual void* queryExtra(const IID&) { return nullptr; }

 private:
  template <class I, class... More>
  bool find(const IID& iid, void** ppv) {
    if (detail::implementsIid<I>(iid)) {
      *ppv = static_cast<I*>(this);
      return true;
    }
    if constexpr (sizeof...(More) > 0) return find<More...>(iid, ppv);
    return false;
  }

  std::atomic<std::uint32_t> refs_{0};
};

// Creates an object and hands out its first reference.
template <class T, class... Args>
ComPtr<T> make(Args&&... args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace com
