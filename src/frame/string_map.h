// Maps and sets keyed by std::string whose lookups take a string_view or a
// const char* without making a string first (a transparent hash).
#ifndef QUENLOFT_FRAME_STRING_MAP_H
#define QUENLOFT_FRAME_STRING_MAP_H

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace quenloft {

struct StringHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

template <class Value>
using StringMap = std::unordered_map<std::string, Value, StringHash, std::equal_to<>>;
using StringSet = std::unordered_set<std::string, StringHash, std::equal_to<>>;

}  // namespace quenloft

#endif  // QUENLOFT_FRAME_STRING_MAP_H
