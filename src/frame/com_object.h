// The component boilerplate, written once.
//
// ComObject<Traits, Interfaces...> derives from every interface it lists and
// gives them one QueryInterface, AddRef and Release over one atomic count.
// Traits supplies:
//   static constexpr Lifetime kLifetime;           self-owned or owner-held
//   static constexpr int32_t kNullOutResult;       QueryInterface(iid, null)
// and the implementation class supplies the table of IDs it answers:
//   static std::span<const QIEntry> InterfaceTable();
// Entries are tried in table order; an entry's getter may create the object
// it hands out (the ITplVariables scope of an owner) and may answer null
// ("cannot be created"). The virtual destructor follows the interface's
// slots in the vtable, as the binary contract requires.
#ifndef QUENLOFT_FRAME_COM_OBJECT_H
#define QUENLOFT_FRAME_COM_OBJECT_H

#include <atomic>
#include <cstdint>
#include <span>

#include "quenloft/iids.h"
#include "quenloft/interfaces.h"

namespace quenloft {

enum class Lifetime {
  kSelfOwned,  // destroys itself when the count reaches 0
  kOwnerHeld,  // its owner deletes it; Release never does
};

struct QIEntry {
  const TplIID* iid;
  // Returns the interface to hand out (no reference added) or null.
  ITplUnknown* (*get)(void* self);
};

// Getter for QIEntry: the static_cast from Impl to interface I.
template <class Impl, class I>
ITplUnknown* InterfaceOf(void* self) {
  return static_cast<I*>(static_cast<Impl*>(self));
}

template <class Impl, class Primary, class... Others>
class ComObject : public Primary, public Others... {
 public:
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr) return Impl::kNullOutResult;
    *out = nullptr;
    for (const QIEntry& entry : Impl::InterfaceTable()) {
      if (*entry.iid != iid) continue;
      ITplUnknown* found = nullptr;
      try {
        found = entry.get(static_cast<Impl*>(this));
      } catch (...) {
        found = nullptr;  // the object could not be created
      }
      if (found == nullptr) break;
      found->AddRef();
      *out = found;
      return TPL_S_OK;
    }
    return TPL_E_NOTIMPL;
  }

  int32_t QL_CALL AddRef() override {
    // Relaxed: taking a reference needs no ordering with other memory; the
    // caller already holds one, so the object cannot go away meanwhile.
    return count_.fetch_add(1, std::memory_order_relaxed) + 1;
  }

  int32_t QL_CALL Release() override {
    // acq_rel: every write made through this reference happens before the
    // destruction that the last Release may start.
    const int32_t remaining = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0 && Impl::kLifetime == Lifetime::kSelfOwned) {
      delete static_cast<Impl*>(this);
      return 0;
    }
    return remaining;
  }

  // Follows the interface slots in the vtable; used only inside the library.
  virtual ~ComObject() = default;

 protected:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  int32_t RefCount() const { return count_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int32_t> count_{0};
};

}  // namespace quenloft

#endif  // QUENLOFT_FRAME_COM_OBJECT_H
