// A host and a file source for end-to-end runs of the copy and update
// passes: both count every call the manager makes on them.
#ifndef QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H
#define QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "quenloft/quenloft.h"

namespace quenloft_test {

template <class I>
class Counted : public I {
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
  std::atomic<int32_t> count_{1};  // the test's own reference
};

class RecordingHost : public Counted<ITplHostCallback> {
 public:
  int32_t QL_CALL Output(const char* text) override {
    outputs.emplace_back(text);
    return 0;
  }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t index, int32_t total) override {
    progress.emplace_back(index, total);
    return 0;
  }
  int32_t QL_CALL MapFileName(const char*, ICvoString*) override { return 1; }
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char* path) override {
    notified.emplace_back(path);
    return 0;
  }
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override {
    ++continue_questions;
    return keep_going ? 1 : 0;
  }

  void Forget() {
    outputs.clear();
    progress.clear();
    notified.clear();
    continue_questions = 0;
  }
  std::string AllOutput() const {
    std::string all;
    for (const std::string& s : outputs) all += s;
    return all;
  }

  bool keep_going = true;
  std::vector<std::string> outputs;
  std::vector<std::pair<int32_t, int32_t>> progress;
  std::vector<std::string> notified;
  int continue_questions = 0;
};

// Lists the names it was given and maps each to a file below its folder.
class ListSource : public Counted<ITplFileSource> {
 public:
  ListSource(std::string folder, std::vector<std::string> names)
      : folder_(std::move(folder)), names_(std::move(names)) {}

  int32_t QL_CALL Initialize(const char* folder) override {
    temp_folders.emplace_back(folder);
    return 0;
  }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) override {
    *position = 0;
    return GetNextName(out, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) override {
    if (*position < 0 || static_cast<size_t>(*position) >= names_.size()) {
      out->Empty();
      return 1;
    }
    out->SetText(names_[static_cast<size_t>((*position)++)].c_str());
    return 0;
  }
  int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) override {
    ++source_path_questions;
    std::string path = name;
    if (path.front() != '/' && path.front() != '\\') path = folder_ + path;
    std::replace(path.begin(), path.end(), '\\', '/');
    out->SetText(path.c_str());
    return 0;
  }

  std::vector<std::string> temp_folders;
  int source_path_questions = 0;

 private:
  std::string folder_;
  std::vector<std::string> names_;
};

// Every regular file below a folder, by relative path, with its bytes.
std::map<std::string, std::string> ReadTree(const std::string& folder);
// Copies a folder tree; false on failure.
bool CopyTree(const std::string& from, const std::string& to);

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H
