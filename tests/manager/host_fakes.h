// File sources and resolvers a host hands to a manager: they count their
// own references (starting with the test's own) and record every call.
#ifndef QUENLOFT_TESTS_MANAGER_HOST_FAKES_H
#define QUENLOFT_TESTS_MANAGER_HOST_FAKES_H

#include <stdexcept>
#include <string>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/listing_resolver.h"
#include "support/recording_host.h"
#include "support/refs.h"
#include "support/self_counted.h"
#include "support/text.h"

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
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) override {
    ++first_calls;
    if (*position != 0) ++bad_positions;
    return Next(out, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) override {
    ++next_calls;
    if (out->GetLength() != 0) ++not_emptied;
    return Next(out, position);
  }
  int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) override {
    out->SetText(name);
    return 0;
  }

  std::vector<std::string> names;
  std::vector<std::string> folders;  // one per Initialize
  int uninitialized = 0;
  int first_calls = 0;
  int next_calls = 0;
  int bad_positions = 0;  // GetFirstName given a position other than 0
  int not_emptied = 0;    // GetNextName given a string that still held text

 private:
  int32_t Next(ICvoString* out, int32_t* position) {
    if (*position < 0 || static_cast<size_t>(*position) >= names.size()) return 1;
    out->SetText(names[static_cast<size_t>((*position)++)].c_str());
    return 0;
  }
};

// Lists its names (an empty one ends the list) and answers every call
// with `answer`.
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
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    ++resolved;
    call->SetResult(answer.c_str());
    return 0;
  }

  std::string answer = "answered";
  bool throw_on_release = false;  // the test's own object may misbehave
  int initialized = 0;
  int uninitialized = 0;
  int resolved = 0;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_MANAGER_HOST_FAKES_H
