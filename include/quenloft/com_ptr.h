// ComPtr<T>: one counted reference to an interface. Header-only, C++17;
// hosts, resolver modules and the library itself hold references with it.
//
// Every transfer of ownership has a name:
//   ComPtr<T>::adopt(p)   takes over a reference the caller already holds;
//   ComPtr<T>::retain(p)  takes a new reference (AddRef);
//   q.attach(p)           releases q's reference and adopts p;
//   q.detach()            gives q's reference away (to an out-pointer, say);
//   q.put(), q.put_void() release q's reference and hand out its slot to an
//                         operation that returns a reference through it;
//   q.copy_to(out)        hands a new reference to an out-pointer;
//   q.query<U>()          QueryInterface: a new ComPtr<U>, null when the
//                         object does not answer (never throws).
//
//   quenloft::ComPtr<ITplManager> manager;
//   CreateTemplateManagerInstance(manager.put());
//   auto copier = manager.query<ITplFileCopier>();
//
// A raw pointer never turns into a ComPtr silently: those overloads are
// deleted, so each place says whether it adopts or retains. Any type with
// AddRef and Release will do (ICvoString too). A ComPtr itself is not
// thread-safe; the counts it changes are.
#ifndef QUENLOFT_COM_PTR_H
#define QUENLOFT_COM_PTR_H

#include <cstddef>
#include <type_traits>
#include <utility>

#include "quenloft/iids.h"
#include "quenloft/interfaces.h"

namespace quenloft {

// The ID of an interface, for query<U>() and ComObject's default table.
// ITplHostCallback and ITplFileSource have none: nobody asks for them.
template <class I>
struct InterfaceId {};
template <class I, class = void>
struct HasInterfaceId : std::false_type {};
template <class I>
struct HasInterfaceId<I, std::void_t<decltype(InterfaceId<I>::value)>> : std::true_type {};

#define QUENLOFT_INTERFACE_ID(I, id)         \
  template <>                                \
  struct InterfaceId<I> {                    \
    static constexpr const auto& value = id; \
  }
QUENLOFT_INTERFACE_ID(ITplManager, IID_ITplManager);
QUENLOFT_INTERFACE_ID(ITplFileCopier, IID_ITplFileCopier);
QUENLOFT_INTERFACE_ID(ITplMacroServices, IID_ITplMacroServices);
QUENLOFT_INTERFACE_ID(ITplVariables, IID_ITplVariables);
QUENLOFT_INTERFACE_ID(ITplResolver, IID_ITplResolver);
QUENLOFT_INTERFACE_ID(ITplResolverEx, IID_ITplResolverEx);
QUENLOFT_INTERFACE_ID(ITplExpression, IID_ITplExpression);
QUENLOFT_INTERFACE_ID(ITplMacroCall, IID_ITplMacroCall);
QUENLOFT_INTERFACE_ID(ITplPatchedFile, IID_ITplPatchedFile);
QUENLOFT_INTERFACE_ID(ITplResolverSet, IID_ITplResolverSet);
QUENLOFT_INTERFACE_ID(ITplHostControl, IID_ITplHostControl);
QUENLOFT_INTERFACE_ID(ITplDiagnostics, IID_ITplDiagnostics);
QUENLOFT_INTERFACE_ID(ICvoString, IID_ICvoString);
#undef QUENLOFT_INTERFACE_ID

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}  // NOLINT(google-explicit-constructor)
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) { AddRefIfAny(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  // From a reference to a derived interface or class.
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ComPtr(const ComPtr<U>& other) noexcept : p_(other.get()) {  // NOLINT
    AddRefIfAny();
  }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ComPtr(ComPtr<U>&& other) noexcept : p_(other.detach()) {}  // NOLINT
  ~ComPtr() { reset(); }

  // Would hide whether a reference is adopted or retained.
  ComPtr(T*) = delete;
  ComPtr& operator=(T*) = delete;

  // By value: copy and move in one, safe for self-assignment.
  ComPtr& operator=(ComPtr other) noexcept {
    swap(other);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) noexcept {
    reset();
    return *this;
  }

  [[nodiscard]] static ComPtr adopt(T* p) noexcept {
    ComPtr r;
    r.p_ = p;
    return r;
  }
  [[nodiscard]] static ComPtr retain(T* p) noexcept {
    ComPtr r;
    r.p_ = p;
    r.AddRefIfAny();
    return r;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  void attach(T* p) noexcept {
    T* old = std::exchange(p_, p);
    if (old != nullptr) old->Release();
  }
  [[nodiscard]] T* detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept { attach(nullptr); }
  void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  // The slot for an operation that hands out a reference:
  //   ComPtr<ITplPatchedFile> file; services->CreatePatchedFile(file.put());
  // On a temporary the reference would go with it, so that is deleted.
  T** put() & noexcept {
    reset();
    return &p_;
  }
  void** put_void() & noexcept { return reinterpret_cast<void**>(put()); }
  T** put() && = delete;
  void** put_void() && = delete;

  // A new reference for an out-pointer (ignores a null out-pointer).
  void copy_to(T** out) const noexcept {
    if (out == nullptr) return;
    *out = p_;
    AddRefIfAny();
  }

  template <class U, class Iid>
  ComPtr<U> query(const Iid& iid) const noexcept {
    ComPtr<U> r;
    if (p_ != nullptr && p_->QueryInterface(iid, r.put_void()) != 0) {
      // A failure hands out no reference: a pointer left beside the code
      // is not ours to release.
      static_cast<void>(r.detach());
    }
    return r;
  }
  template <class U>
  ComPtr<U> query() const noexcept {
    static_assert(HasInterfaceId<U>::value, "this interface has no ID to ask for");
    return query<U>(InterfaceId<U>::value);
  }

 private:
  void AddRefIfAny() const noexcept {
    if (p_ != nullptr) p_->AddRef();
  }

  T* p_ = nullptr;
};

}  // namespace quenloft

#endif  // QUENLOFT_COM_PTR_H
