#pragma once
// The reference-counted object model shared by the host, the engine and the
// user interface: IUnknown, an owning smart pointer, and the interface query.
#include <cstdint>
#include <utility>

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

// Declares an interface's identifier inside its definition.
#define COM_INTERFACE(guidText)                                               \
  static const ::com::IID& iid() {                                            \
    static const ::com::IID id = ::com::Guid::fromString(guidText);           \
    return id;                                                                \
  }

namespace com {

struct IUnknown {
  COM_INTERFACE("00000000-0000-0000-C000-000000000046")
  virtual HRESULT QueryInterface(const IID& iid, void** ppv) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

// Owns one reference. Copying adds a reference, destruction releases it.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference on p.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  ComPtr(const ComPtr<U>& o) : ComPtr(static_cast<T*>(o.get())) {}
  ~ComPtr() { reset(); }

  ComPtr& operator=(const ComPtr& o) {
    ComPtr(o).swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr(std::move(o)).swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    reset();
    return *this;
  }

  // Adopts a reference the caller already owns (no AddRef).
  static ComPtr attach(T* p) {
    ComPtr r;
    r.p_ = p;
    return r;
  }
  T* detach() { return std::exchange(p_, nullptr); }

  void reset() {
    if (auto* p = std::exchange(p_, nullptr)) p->Release();
  }
  void swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // For out-parameters: releases what is held and hands out the slot.
  void** put() {
    reset();
    return reinterpret_cast<void**>(&p_);
  }

  // One QueryInterface step; empty when the object lacks the interface.
  template <class U>
  ComPtr<U> as() const {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(U::iid(), r.put());
    return r;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

// One QueryInterface step on a raw pointer.
template <class U, class T>
ComPtr<U> query(T* p) {
  ComPtr<U> r;
  if (p) p->QueryInterface(U::iid(), r.put());
  return r;
}

// The IUnknown identity of an object, for comparing two references.
template <class T>
ComPtr<IUnknown> identity(T* p) {
  return query<IUnknown>(p);
}

}  // namespace com
