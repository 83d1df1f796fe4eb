// FileList: the files a pass of the manager works through (the template
// files of the copy pass, the files of the update pass), in the order they
// were registered, each with a flag saying whether the pass is done with
// it, and the keys they are registered under (PathKey, path_keys.h).
//
// A key is held by a Holder (for template files, the file source) from the
// registration that lists its name until it is let go (the source is
// removed). While the key is held the name is not listed again; after,
// another registration lists it anew, so several entries may share a key,
// and each key knows its entries. The list only grows until Clear: an
// index stays valid while the manager works through the list, even when
// files are registered meanwhile.
#ifndef QUENLOFT_MANAGER_FILE_LIST_H
#define QUENLOFT_MANAGER_FILE_LIST_H

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace quenloft {

template <class Holder = std::monostate>
class FileList {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  FileList(size_t capacity, size_t buckets) {
    entries_.reserve(capacity);
    keys_.reserve(buckets);
  }

  size_t size() const { return entries_.size(); }
  const std::string& name(size_t i) const { return entries_[i].name; }
  // An index past the end counts as done: a host may empty the update list
  // (Initialize, Terminate) while the pass is at one of its entries.
  bool done(size_t i) const { return i >= entries_.size() || entries_[i].done; }
  void MarkDone(size_t i) {
    if (i < entries_.size()) entries_[i].done = true;
  }

  // The holder of key; null when no registration holds it.
  const Holder* HolderOf(const std::string& key) const {
    const auto found = keys_.find(key);
    return found != keys_.end() && found->second.held ? &found->second.holder : nullptr;
  }
  bool Holds(const std::string& key) const { return HolderOf(key) != nullptr; }

  // Lists name under key, which must not be held, and holds the key with
  // holder. Out of memory, it throws and has changed nothing.
  void Add(std::string name, std::string key, Holder holder) {
    if (entries_.size() == entries_.capacity()) {
      entries_.reserve(entries_.capacity() < 8 ? 8 : entries_.capacity() * 2);
    }
    Key& slot = keys_.try_emplace(std::move(key)).first->second;
    // Nothing below throws: the room for the entry is made.
    const size_t index = entries_.size();
    entries_.push_back(Entry{std::move(name), false, kNone});
    if (slot.last == kNone) {
      slot.first = index;
    } else {
      entries_[slot.last].next_same_key = index;
    }
    slot.last = index;
    slot.holder = std::move(holder);
    slot.held = true;
  }

  // Lets go of key when its holder matches; the holder is handed back, so
  // that whatever letting go of it sets off happens after the list is
  // consistent again. A default Holder when nothing matched.
  template <class Matches>
  Holder Release(const std::string& key, Matches matches) {
    const auto found = keys_.find(key);
    if (found == keys_.end() || !found->second.held || !matches(found->second.holder)) return {};
    return LetGo(found->second);
  }

  // Lets go of every key whose holder matches, appending the holders to
  // released (see Release).
  template <class Matches>
  void ReleaseAll(Matches matches, std::vector<Holder>* released) {
    for (auto& [key, slot] : keys_) {
      if (!slot.held || !matches(slot.holder)) continue;
      released->emplace_back();  // may throw: then this key is still held
      released->back() = LetGo(slot);
    }
  }

  // The entries listed under key, in list order: the first, then each
  // next; kNone after the last, or for a key never listed.
  size_t FirstWithKey(const std::string& key) const {
    const auto found = keys_.find(key);
    return found != keys_.end() ? found->second.first : kNone;
  }
  size_t NextWithKey(size_t i) const { return entries_[i].next_same_key; }

  void Clear() {
    entries_.clear();
    keys_.clear();
  }

 private:
  struct Entry {
    std::string name;  // backslashes, case kept
    bool done;
    size_t next_same_key;
  };
  struct Key {
    Holder holder{};
    bool held = false;
    size_t first = kNone;  // the entries listed under the key, chained
    size_t last = kNone;
  };

  static Holder LetGo(Key& slot) {
    slot.held = false;
    return std::exchange(slot.holder, Holder{});
  }

  std::vector<Entry> entries_;
  std::unordered_map<std::string, Key> keys_;
};

}  // namespace quenloft

#endif  // QUENLOFT_MANAGER_FILE_LIST_H
