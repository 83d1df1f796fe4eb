// Reference handling for the tool: Ref<T> owns one reference to any object
// with AddRef/Release (the library's interfaces and ICvoString alike), and
// RefCounted<I> gives the tool's own objects (host callback, file source)
// their QueryInterface, AddRef and Release.
#ifndef QUENLOFT_TOOL_REF_H
#define QUENLOFT_TOOL_REF_H

#include <atomic>
#include <cstdint>
#include <utility>

#include "quenloft/quenloft.h"

namespace quenloft_tool {

template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(const Ref& other) noexcept : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~Ref() { reset(); }
  Ref& operator=(Ref other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Takes over a reference the caller already holds (from new or a factory).
  static Ref Adopt(T* p) noexcept {
    Ref r;
    r.p_ = p;
    return r;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // The slot for an operation that hands out a reference.
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  void reset() noexcept {
    T* old = std::exchange(p_, nullptr);
    if (old != nullptr) old->Release();
  }

 private:
  T* p_ = nullptr;
};

// Base of the tool's own objects behind one host-implemented interface.
// The library asks no interface ID of them, so QueryInterface answers none.
// Objects start with one reference, which the creator adopts with
// Ref<I>::Adopt, and delete themselves at zero.
template <class Interface>
class RefCounted : public Interface {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  int32_t QL_CALL QueryInterface(const TplIID& /*iid*/, void** out) override {
    if (out == nullptr) return TPL_E_INVALIDARG;
    *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  // Relaxed suffices for taking a reference: it only needs atomicity.
  int32_t QL_CALL AddRef() override { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // acq_rel: the last release must see every write made through the object.
  int32_t QL_CALL Release() override {
    const int32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~RefCounted() = default;

 private:
  std::atomic<int32_t> count_{1};
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_REF_H
