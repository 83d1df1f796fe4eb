// File sources and resolvers a host hands to a manager: they count their
// own references (starting with the test's own) and record every call.
#ifndef QUENLOFT_TESTS_MANAGER_HOST_FAKES_H
#define QUENLOFT_TESTS_MANAGER_HOST_FAKES_H

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/host_objects.h"
#include "support/manager_session.h"

namespace quenloft::testing {

class FakeSource : public SelfCounted<ITplFileSource> {
 public:
  explicit FakeSource(std::vector<std::string> names = {}) : names(std::move(names)) {}

  int32_t QL_CALL Initialize(const char* folder) override {
    folders.emplace_back(folder != nullptr ? folder : "(null)");
    return 0;
  }
  int32_t QL_CALL Uninitialize() override {
    ++uninitialized;
    return 0;
  }
  // "!" marks a first position other than 0, or a string that still held text.
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) override {
    calls += *position != 0 ? "first! " : "first ";
    return Next(out, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) override {
    calls += out->GetLength() != 0 ? "next! " : "next ";
    return Next(out, position);
  }
  int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) override {
    return out->SetText(name);
  }

  std::vector<std::string> names;
  std::vector<std::string> folders;  // one per Initialize
  std::string calls;                 // the listing calls, in order
  int uninitialized = 0;

 private:
  int32_t Next(ICvoString* out, int32_t* position) {
    if (*position < 0 || static_cast<size_t>(*position) >= names.size()) return 1;
    return out->SetText(names[static_cast<size_t>((*position)++)].c_str());
  }
};

// Lists its names (an empty one ends the list) and answers every call.
class FakeResolver : public ListingResolver {
 public:
  explicit FakeResolver(std::vector<std::string> names = {}) : ListingResolver(std::move(names)) {}

  int32_t QL_CALL Release() override {
    const int32_t left = ListingResolver::Release();
    if (throw_on_release) throw std::runtime_error("resolver release failed");
    return left;
  }
  int32_t QL_CALL Initialize() override {
    ++initialized;
    return 0;
  }
  int32_t QL_CALL Uninitialize() override {
    ++uninitialized;
    return 0;
  }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override { return call->SetResult("answered"); }

  bool throw_on_release = false;  // the test's own object may misbehave
  int initialized = 0, uninitialized = 0;
};

using Counts = std::vector<int32_t>;

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_MANAGER_HOST_FAKES_H
