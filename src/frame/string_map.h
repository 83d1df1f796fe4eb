// Maps and sets keyed by std::string whose lookups take a string_view, a
// const char* or a HashedName without making a string first (a
// transparent hash).
#ifndef QUENLOFT_FRAME_STRING_MAP_H
#define QUENLOFT_FRAME_STRING_MAP_H

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace quenloft {

// A name and its hash, computed once: the resolver registry and then a
// variable scope look a statement's name up with it, and neither hashes
// the name again.
struct HashedName {
  explicit HashedName(std::string_view name) noexcept
      : text(name), hash(std::hash<std::string_view>{}(name)) {}

  std::string_view text;
  size_t hash;
};

struct StringHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  size_t operator()(const HashedName& n) const noexcept { return n.hash; }
};

struct StringEqual {
  using is_transparent = void;
  template <class A, class B>
  bool operator()(const A& a, const B& b) const noexcept {
    return View(a) == View(b);
  }

 private:
  static std::string_view View(std::string_view s) noexcept { return s; }
  static std::string_view View(const HashedName& n) noexcept { return n.text; }
};

template <class Value>
using StringMap = std::unordered_map<std::string, Value, StringHash, StringEqual>;
using StringSet = std::unordered_set<std::string, StringHash, StringEqual>;

}  // namespace quenloft

#endif  // QUENLOFT_FRAME_STRING_MAP_H
