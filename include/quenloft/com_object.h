// QueryInterface, AddRef and Release written once, for the library's
// objects and a host's own (callbacks, file sources, resolvers, resolver
// sets). Header-only, C++17.
//
//   class Greeter final : public quenloft::ComObject<Greeter, ITplResolver> {
//     // ... the operations of ITplResolver from slot 3 on ...
//   };
//   auto greeter = quenloft::MakeObject<Greeter>();   // one reference
//   manager->AddResolver(greeter.get());
//
// The base derives from every interface it lists and answers them all with
// one atomic count, which starts at 0: whoever hands the object out takes
// the first reference (MakeObject does). Two lifetimes:
//   ComObject<Impl, I...>            self-owned: deletes itself at count 0;
//   OwnerHeldComObject<Impl, I...>   owner-held: never deletes itself; its
//                                    owner (or the stack) ends it.
// Impl may declare either of these; each has a default:
//   static constexpr int32_t kNullOutResult;   what QueryInterface(iid, null)
//                                              returns; TPL_E_INVALIDARG
//   static <range of QIEntry> InterfaceTable(); the IDs answered, tried in
//                                              order (QITable, std::span...);
//                                              default: each listed interface
//                                              under its own ID, so
//                                              ITplHostCallback and
//                                              ITplFileSource answer none
// An unknown ID gives TPL_E_NOTIMPL with the out-pointer null.
#ifndef QUENLOFT_COM_OBJECT_H
#define QUENLOFT_COM_OBJECT_H

#include <atomic>
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

#include "quenloft/com_ptr.h"

namespace quenloft {

// One row of an interface table: an ID and what to hand out for it.
struct QIEntry {
  const TplIID* iid;
  // The interface to hand out (AddRef follows), or null: "cannot be made",
  // which ends the search. May make the object on the first request (an
  // owner's ITplVariables scope). An exception counts as null.
  ITplUnknown* (*get)(void* self);
};

// Getter for a QIEntry: the object itself as interface I.
template <class Impl, class I>
ITplUnknown* InterfaceOf(void* self) {
  return static_cast<I*>(static_cast<Impl*>(self));
}

// A table over a static array, for C++17 (C++20 code may use std::span).
class QITable {
 public:
  constexpr QITable() noexcept = default;
  template <size_t N>
  constexpr QITable(const QIEntry (&entries)[N]) noexcept  // NOLINT
      : begin_(entries), end_(entries + N) {}
  constexpr const QIEntry* begin() const noexcept { return begin_; }
  constexpr const QIEntry* end() const noexcept { return end_; }

 private:
  const QIEntry* begin_ = nullptr;
  const QIEntry* end_ = nullptr;
};

namespace detail {

template <class T, class = void>
struct HasInterfaceTable : std::false_type {};
template <class T>
struct HasInterfaceTable<T, std::void_t<decltype(T::InterfaceTable())>> : std::true_type {};

template <class T, class = void>
struct NullOutResult : std::integral_constant<int32_t, TPL_E_INVALIDARG> {};
template <class T>
struct NullOutResult<T, std::void_t<decltype(T::kNullOutResult)>>
    : std::integral_constant<int32_t, T::kNullOutResult> {};

template <class Impl, bool kSelfOwned, class Primary, class... Others>
class CountedObject : public Primary, public Others... {
 public:
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr) return NullOutResult<Impl>::value;
    *out = nullptr;
    ITplUnknown* found = Find(static_cast<Impl*>(this), iid);
    if (found == nullptr) return TPL_E_NOTIMPL;
    found->AddRef();
    *out = found;
    return TPL_S_OK;
  }

  int32_t QL_CALL AddRef() override {
    // Relaxed: taking a reference orders nothing; the caller holds one
    // already, so the object cannot go away meanwhile.
    return count_.fetch_add(1, std::memory_order_relaxed) + 1;
  }

  int32_t QL_CALL Release() override {
    // acq_rel: release makes this holder's writes visible to the thread
    // that ends the object; acquire lets that thread see all of them.
    const int32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if constexpr (kSelfOwned) {
      if (left == 0) delete static_cast<Impl*>(this);
    }
    return left;
  }

  // Follows the interfaces' slots in the vtable, as the binary contract
  // requires; only the object's own code deletes through it.
  virtual ~CountedObject() = default;

 protected:
  CountedObject() = default;
  // For an object whose creator keeps a reference of its own from the
  // start (an owner-held object on the stack, say).
  explicit CountedObject(int32_t initial_count) : count_(initial_count) {}
  CountedObject(const CountedObject&) = delete;
  CountedObject& operator=(const CountedObject&) = delete;

  int32_t RefCount() const { return count_.load(std::memory_order_relaxed); }

 private:
  static ITplUnknown* Find(Impl* self, const TplIID& iid) {
    if constexpr (HasInterfaceTable<Impl>::value) {
      for (const QIEntry& entry : Impl::InterfaceTable()) {
        if (*entry.iid != iid) continue;
        try {
          return entry.get(self);
        } catch (...) {
          return nullptr;  // the object to hand out could not be made
        }
      }
      return nullptr;
    } else {
      ITplUnknown* found = nullptr;
      for (ITplUnknown* match : {Match<Primary>(self, iid), Match<Others>(self, iid)...}) {
        if (found == nullptr) found = match;
      }
      return found;
    }
  }

  template <class I>
  static ITplUnknown* Match(Impl* self, const TplIID& iid) {
    if constexpr (HasInterfaceId<I>::value) {
      if (InterfaceId<I>::value == iid) return static_cast<I*>(self);
    }
    return nullptr;
  }

  std::atomic<int32_t> count_{0};
};

}  // namespace detail

template <class Impl, class Primary, class... Others>
using ComObject = detail::CountedObject<Impl, true, Primary, Others...>;

template <class Impl, class Primary, class... Others>
using OwnerHeldComObject = detail::CountedObject<Impl, false, Primary, Others...>;

// A new self-owned object holding the caller's reference; null when memory
// runs out. Exceptions from T's constructor pass through.
template <class T, class... Args>
ComPtr<T> MakeObject(Args&&... args) {
  return ComPtr<T>::retain(new (std::nothrow) T(std::forward<Args>(args)...));
}

}  // namespace quenloft

#endif  // QUENLOFT_COM_OBJECT_H
