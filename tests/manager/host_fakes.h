// What a host hands to a manager, written the way a host would: objects
// that count their own references and record every call. Each starts with
// the test's own reference (count 1) and never deletes itself, so a test
// can check that every reference the manager took was given back.
#ifndef QUENLOFT_TESTS_MANAGER_HOST_FAKES_H
#define QUENLOFT_TESTS_MANAGER_HOST_FAKES_H

#include <atomic>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "quenloft/quenloft.h"

namespace quenloft::testing {

// The text of a string object the manager filled; "" for none.
inline std::string TextOf(ICvoString* s) {
  const char* text = nullptr;
  if (s == nullptr || s->GetLength() == 0 || s->GetText(&text) != 0 || text == nullptr) return {};
  return text;
}

template <class I>
class SelfCounted : public I {
 public:
  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out == nullptr) return TPL_E_INVALIDARG;
    *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }

  int32_t count() const { return count_; }

 private:
  std::atomic<int32_t> count_{1};
};

class FakeHost : public SelfCounted<ITplHostCallback> {
 public:
  int32_t QL_CALL Output(const char* text) override {
    outputs.emplace_back(text != nullptr ? text : "(null)");
    return 0;
  }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t index, int32_t total) override {
    progress.push_back({index, total});
    return 0;
  }
  int32_t QL_CALL MapFileName(const char* path, ICvoString* out) override {
    mapped.emplace_back(path != nullptr ? path : "(null)");
    if (!map_to) return 1;
    out->SetText(map_to->c_str());
    return 0;
  }
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char* path) override {
    notified.emplace_back(path != nullptr ? path : "(null)");
    return 0;
  }
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override { return 1; }

  struct Step {
    int32_t index, total;
  };
  std::optional<std::string> map_to;  // MapFileName answers 0 with this text
  std::vector<std::string> outputs;
  std::vector<Step> progress;
  std::vector<std::string> mapped;
  std::vector<std::string> notified;
};

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

class FakeResolver : public SelfCounted<ITplResolver> {
 public:
  explicit FakeResolver(std::vector<std::string> names = {}) : names(std::move(names)) {}

  int32_t QL_CALL Release() override {
    const int32_t left = SelfCounted<ITplResolver>::Release();
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
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) override {
    *position = 0;
    return Next(out, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) override {
    return Next(out, position);
  }
  int32_t QL_CALL OnNameConflict(const char* name) override {
    conflicts.emplace_back(name != nullptr ? name : "(null)");
    return 0;
  }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    ++resolved;
    call->SetResult(answer.c_str());
    return 0;
  }

  std::vector<std::string> names;
  std::string answer = "answered";
  bool throw_on_release = false;  // the test's own object may misbehave
  int initialized = 0;
  int uninitialized = 0;
  int resolved = 0;
  std::vector<std::string> conflicts;

 private:
  int32_t Next(ICvoString* out, int32_t* position) {
    if (static_cast<size_t>(*position) >= names.size()) return 1;
    out->SetText(names[static_cast<size_t>((*position)++)].c_str());
    return 0;
  }
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_MANAGER_HOST_FAKES_H
