// How a host holds what the library hands out: one reference per holder,
// given back when the holder goes.
#ifndef QUENLOFT_TESTS_SUPPORT_REFS_H
#define QUENLOFT_TESTS_SUPPORT_REFS_H

#include <utility>

#include "quenloft/quenloft.h"

namespace quenloft::testing {

template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~Ref() { reset(); }

  // The slot for an operation that hands out a reference.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// A string object made the way hosts make them.
inline Ref<ICvoString> NewText() {
  Ref<ICvoString> s;
  CreateCvoStringInstance(s.put());
  return s;
}

// A manager with its three interfaces, as a host sets one up.
struct ManagerRefs {
  Ref<ITplManager> manager;
  Ref<ITplFileCopier> copier;
  Ref<ITplMacroServices> services;
};

inline ManagerRefs NewManager() {
  ManagerRefs m;
  if (CreateTemplateManagerInstance(m.manager.put()) == 0 && m.manager) {
    m.manager->QueryInterface(IID_ITplFileCopier, m.copier.put_void());
    m.manager->QueryInterface(IID_ITplMacroServices, m.services.put_void());
  }
  return m;
}

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_REFS_H
