// Objects a manager makes over and over (macro calls for arguments,
// expression scopes) come back to a pool when their last holder lets go,
// and are handed out again with their buffers kept, so that the common
// evaluation allocates nothing.
//
// A holder may keep an object beyond the manager. The pool therefore
// lives apart: the manager orphans it when it goes, and the pool ends
// with the last object that can still come back to it.
//
// The manager takes and lends on its thread, but a host may let go of an
// object it kept on any thread, also while the manager takes or ends.
// What comes back is therefore pushed onto a lock-free stack that only
// the manager's thread pops (so no object leaves it but by that thread,
// and a pop sees no ABA); the lent objects sit in slots that the
// manager's thread fills and a returning object empties; and the pool's
// own life is a count. Orphan closes the stack: what comes back later is
// freed by whoever lets go of it.
//
// T provides Recycle(), which empties the object for its next use (and may
// release what it holds), a pool_ pointer the object returns through, and
// a PoolLink<T> pool_link_.
#ifndef QUENLOFT_PATCHING_OBJECT_POOL_H
#define QUENLOFT_PATCHING_OBJECT_POOL_H

#include <array>
#include <atomic>
#include <cstddef>
#include <new>
#include <vector>

namespace quenloft {

// What the pool keeps in each object: its place on the stack of returned
// objects, and its tracking slot.
template <class T>
struct PoolLink {
  T* next = nullptr;
  int slot = -1;  // tracking slot while lent through an interface
};

template <class T>
class ObjectPool {
 public:
  // Null when it cannot be made: objects are then made and freed singly.
  static ObjectPool* Make(size_t keep) noexcept {
    auto* pool = new (std::nothrow) ObjectPool(keep);
    if (pool != nullptr) {
      try {
        pool->free_.reserve(keep);
      } catch (...) {
        pool->keep_ = 0;
      }
    }
    return pool;
  }

  // An object lent through an interface, to be found again by its address
  // when it comes back through one: known by construction, never by a
  // cast. Only a few are remembered, which is all that nested evaluation
  // keeps out at once; false when there is no room. The manager's thread
  // alone fills a slot; a returning object empties its own.
  bool Track(T* object) noexcept {
    for (size_t i = 0; i < tracked_.size(); ++i) {
      if (tracked_[i].load(std::memory_order_relaxed) == nullptr) {
        object->pool_link_.slot = static_cast<int>(i);
        tracked_[i].store(object, std::memory_order_relaxed);
        if (i >= used_) used_ = i + 1;
        return true;
      }
    }
    return false;
  }
  // The tracked object that is this interface pointer, or null. Only the
  // pointers are compared: whoever hands one in holds that object.
  template <class I>
  T* Tracked(const I* interface) const noexcept {
    for (size_t i = used_; i-- > 0;) {
      T* object = tracked_[i].load(std::memory_order_acquire);
      if (object != nullptr && static_cast<const I*>(object) == interface) return object;
    }
    return nullptr;
  }

  // A kept object, or null. The manager's thread only.
  T* Take() noexcept {
    if (free_.empty()) Collect();
    if (free_.empty()) return nullptr;
    T* object = free_.back();
    free_.pop_back();
    return object;
  }
  // Counts an object made for the pool; it comes back through Return.
  void Lend() noexcept { holds_.fetch_add(1, std::memory_order_relaxed); }

  // The object's last holder let go of it, on any thread. Emptying or
  // destroying it may release what it held, and so return other objects
  // here first: the pool may end only after that.
  void Return(T* object) noexcept {
    if (object->pool_link_.slot >= 0) {
      tracked_[static_cast<size_t>(object->pool_link_.slot)].store(nullptr,
                                                                   std::memory_order_release);
      object->pool_link_.slot = -1;
    }
    T* head = returned_.load(std::memory_order_relaxed);
    if (head != Closed()) object->Recycle();
    for (;;) {
      if (head == Closed()) {
        delete object;
        Drop();
        return;
      }
      object->pool_link_.next = head;
      if (returned_.compare_exchange_weak(head, object, std::memory_order_release,
                                          std::memory_order_relaxed)) {
        return;
      }
    }
  }

  // The manager is gone: what comes back from now on is freed.
  void Orphan() noexcept {
    Free(returned_.exchange(Closed(), std::memory_order_acquire));
    for (T* object : free_) {
      delete object;
      Drop();
    }
    free_.clear();
    Drop();  // the manager's hold
  }

 private:
  explicit ObjectPool(size_t keep) : keep_(keep) {}
  ~ObjectPool() = default;

  // Never a real object: marks the stack closed.
  T* Closed() const noexcept { return reinterpret_cast<T*>(const_cast<ObjectPool*>(this)); }

  // The objects returned since the last look, moved to the free list as
  // far as it keeps them.
  void Collect() noexcept {
    if (returned_.load(std::memory_order_relaxed) == nullptr) return;
    T* object = returned_.exchange(nullptr, std::memory_order_acquire);
    for (; object != nullptr && free_.size() < keep_; object = object->pool_link_.next) {
      free_.push_back(object);  // within the reserved room
    }
    Free(object);
  }
  void Free(T* object) noexcept {
    while (object != nullptr) {
      T* next = object->pool_link_.next;
      delete object;
      Drop();
      object = next;
    }
  }
  void Drop() noexcept {
    if (holds_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }

  static constexpr size_t kTracked = 32;

  // Returned on any thread, popped on the manager's; Closed() once orphaned.
  std::atomic<T*> returned_{nullptr};
  // The manager's, plus one for each object made for the pool and not freed.
  std::atomic<size_t> holds_{1};
  std::array<std::atomic<T*>, kTracked> tracked_{};  // lent and still out
  size_t used_ = 0;            // slots ever filled; the manager's thread only
  std::vector<T*> free_;       // the manager's thread only
  size_t keep_;
};

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_OBJECT_POOL_H
