// ComPtr<T>: the one owning reference to an interface.
//
// Every ownership transfer has a name:
//   ComPtr<T>::Adopt(p)   takes over a reference the caller already holds;
//   ComPtr<T>::Retain(p)  takes a new reference (AddRef);
//   p.put()               releases the current reference and returns the
//                         slot for an operation that hands one out;
//   p.detach()            gives the reference away (e.g. through an out-
//                         pointer of an interface operation).
// Raw AddRef/Release stay in src/frame and at the ABI edge.
#ifndef QUENLOFT_FRAME_COM_PTR_H
#define QUENLOFT_FRAME_COM_PTR_H

#include <cstddef>
#include <utility>

#include "quenloft/interfaces.h"

namespace quenloft {

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}  // NOLINT(google-explicit-constructor)
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) { AddRefIfAny(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { ReleaseIfAny(); }

  // Constructing from a raw pointer would hide whether a reference is taken.
  ComPtr(T*) = delete;

  ComPtr& operator=(const ComPtr& other) noexcept {
    ComPtr(other).swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) noexcept {
    reset();
    return *this;
  }

  static ComPtr Adopt(T* p) noexcept {
    ComPtr r;
    r.p_ = p;
    return r;
  }
  static ComPtr Retain(T* p) noexcept {
    ComPtr r;
    r.p_ = p;
    r.AddRefIfAny();
    return r;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // For operations that hand out a reference: ComPtr<I> p; obj->Get(p.put());
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  [[nodiscard]] T* detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept {
    T* old = std::exchange(p_, nullptr);
    if (old != nullptr) old->Release();
  }
  void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  // Hands a new reference to an out-pointer of an interface operation.
  void CopyTo(T** out) const noexcept {
    *out = p_;
    if (p_ != nullptr) p_->AddRef();
  }

  // QueryInterface for U; null when the object does not answer iid.
  template <class U>
  ComPtr<U> query(const TplIID& iid) const noexcept {
    ComPtr<U> r;
    if (p_ != nullptr && p_->QueryInterface(iid, r.put_void()) != 0) r.reset();
    return r;
  }

 private:
  void AddRefIfAny() noexcept {
    if (p_ != nullptr) p_->AddRef();
  }
  void ReleaseIfAny() noexcept {
    if (p_ != nullptr) p_->Release();
  }

  T* p_ = nullptr;
};

}  // namespace quenloft

#endif  // QUENLOFT_FRAME_COM_PTR_H
