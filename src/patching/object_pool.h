// Objects a manager makes over and over (macro calls for arguments,
// expression scopes) come back to a pool when their last holder lets go,
// and are handed out again with their buffers kept, so that the common
// evaluation allocates nothing.
//
// A holder may keep an object beyond the manager. The pool therefore
// lives apart: the manager orphans it when it goes, and an orphaned pool
// frees what comes back and ends itself with its last object out. Like
// the manager and its objects, a pool is used by one thread at a time.
//
// T provides Recycle(), which empties the object for its next use (and may
// release what it holds), and a pool_ pointer the object returns through.
#ifndef QUENLOFT_PATCHING_OBJECT_POOL_H
#define QUENLOFT_PATCHING_OBJECT_POOL_H

#include <cstddef>
#include <new>
#include <vector>

namespace quenloft {

template <class T>
class ObjectPool {
 public:
  // Null when it cannot be made: objects are then made and freed singly.
  static ObjectPool* Make(size_t keep) noexcept {
    auto* pool = new (std::nothrow) ObjectPool(keep);
    if (pool != nullptr) {
      try {
        pool->free_.reserve(keep);
        pool->tracked_.reserve(kTracked);
      } catch (...) {
        pool->keep_ = 0;
      }
    }
    return pool;
  }

  // An object lent through an interface, to be found again by its address
  // when it comes back through one: known by construction, never by a
  // cast. Only a few are remembered, which is all that nested evaluation
  // keeps out at once; false when there is no room.
  bool Track(T* object) noexcept {
    if (tracked_.size() == tracked_.capacity()) return false;
    tracked_.push_back(object);
    return true;
  }
  // The tracked object that is this interface pointer, or null.
  template <class I>
  T* Tracked(const I* interface) const noexcept {
    for (size_t i = tracked_.size(); i-- > 0;) {
      if (static_cast<const I*>(tracked_[i]) == interface) return tracked_[i];
    }
    return nullptr;
  }

  // A kept object, or null.
  T* Take() noexcept {
    if (free_.empty()) return nullptr;
    T* object = free_.back();
    free_.pop_back();
    ++out_;
    return object;
  }
  // Counts an object made for the pool; it comes back through Return.
  void Lend() noexcept { ++out_; }

  // The object's last holder let go of it. Emptying or destroying it may
  // release what it held, and so return other objects here first: the
  // count goes down, and the pool may end, only after that.
  void Return(T* object) noexcept {
    for (size_t i = tracked_.size(); i-- > 0;) {
      if (tracked_[i] == object) {
        tracked_.erase(tracked_.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
    if (!orphaned_) object->Recycle();
    if (!orphaned_ && free_.size() < keep_) {
      free_.push_back(object);  // within the reserved room
    } else {
      delete object;
    }
    if (--out_ == 0 && orphaned_) delete this;
  }

  // The manager is gone: what comes back is freed.
  void Orphan() noexcept {
    orphaned_ = true;
    for (T* object : free_) delete object;
    free_.clear();
    if (out_ == 0) delete this;
  }

 private:
  explicit ObjectPool(size_t keep) : keep_(keep) {}
  ~ObjectPool() = default;

  static constexpr size_t kTracked = 32;

  std::vector<T*> free_;
  std::vector<T*> tracked_;  // lent and still out, in order of lending
  size_t keep_;
  size_t out_ = 0;  // objects handed out and not back yet
  bool orphaned_ = false;
};

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_OBJECT_POOL_H
