// Whether the manager that made an object still stands.
//
// The objects a manager makes know it without a reference, and a host may
// keep one of them (a macro call, an expression, a scope, a patched file)
// beyond the manager. Each of them holds this small counted state, which
// the manager marks when it ends: from then on the object answers what
// needs no manager from its own data, fails every operation that would
// reach the manager, and frees only its own data when released.
//
// The mark is set once, by the thread that ends the manager; an object is
// used by one thread at a time, but its last Release (and with it this
// state's) may come from any thread, so the count and the mark are atomic.
#ifndef QUENLOFT_PATCHING_MANAGER_LIFE_H
#define QUENLOFT_PATCHING_MANAGER_LIFE_H

#include <atomic>
#include <cstdint>

#include "quenloft/com_ptr.h"

namespace quenloft {

class ManagerLife {
 public:
  // One reference, the manager's; throws std::bad_alloc.
  static ComPtr<ManagerLife> Make() { return ComPtr<ManagerLife>::adopt(new ManagerLife()); }
  ManagerLife(const ManagerLife&) = delete;
  ManagerLife& operator=(const ManagerLife&) = delete;

  int32_t AddRef() noexcept { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t Release() noexcept {
    const int32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

  // The manager is gone.
  void End() noexcept { ended_.store(true, std::memory_order_release); }
  bool ended() const noexcept { return ended_.load(std::memory_order_acquire); }

 private:
  ManagerLife() = default;
  ~ManagerLife() = default;

  std::atomic<int32_t> count_{1};
  std::atomic<bool> ended_{false};
};

// True when the manager of an object that holds this life is gone. An
// object made without one (by services that are not a manager of this
// library) counts its services as standing.
inline bool ManagerGone(const ComPtr<ManagerLife>& life) noexcept {
  return life && life->ended();
}

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_MANAGER_LIFE_H
