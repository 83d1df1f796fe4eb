// Shared by the cache tests: a manager made by the library copy, released
// when it goes out of scope, and path spellings.
#ifndef QUENLOFT_TESTS_CACHE_CACHE_TEST_SUPPORT_H
#define QUENLOFT_TESTS_CACHE_CACHE_TEST_SUPPORT_H

#include <memory>
#include <string>

#include "TAVLOR/ByteString.h"
#include "cache/library_copy.h"
#include "support/spelling.h"

namespace quenloft_test {

using quenloft::testing::UpperCase;
using quenloft::testing::WithBackslashes;

struct ReleaseManager {
  void operator()(ITplManager* manager) const { manager->Release(); }
};
using ManagerPtr = std::unique_ptr<ITplManager, ReleaseManager>;

inline ManagerPtr MakeManager(const LibraryCopy& library) {
  return ManagerPtr(library.CreateManager());
}

// What GetFileContent hands out, or "<failed>" with its result.
inline std::string ContentOf(ITplManager& manager, const std::string& path) {
  CByteString bytes;
  const int32_t result = manager.GetFileContent(path.c_str(), &bytes);
  if (result != 0) return "<failed " + std::to_string(result) + ">";
  return std::string(bytes.GetContent(), bytes.GetLength());
}

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_CACHE_CACHE_TEST_SUPPORT_H
