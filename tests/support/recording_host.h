// A host callback that records every message, progress step, file notice
// and file-name question, and answers as the test tells it to.
#ifndef QUENLOFT_TESTS_SUPPORT_RECORDING_HOST_H
#define QUENLOFT_TESTS_SUPPORT_RECORDING_HOST_H

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/self_counted.h"

namespace quenloft::testing {

class RecordingHost : public SelfCounted<ITplHostCallback> {
 public:
  using SelfCounted<ITplHostCallback>::SelfCounted;

  int32_t QL_CALL Output(const char* text) override {
    outputs.emplace_back(OrNull(text));
    return 0;
  }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t index, int32_t total) override {
    progress.emplace_back(index, total);
    return 0;
  }
  int32_t QL_CALL MapFileName(const char* path, ICvoString* out) override {
    mapped.emplace_back(OrNull(path));
    if (!map_to) return 1;
    out->SetText(map_to->c_str());
    return 0;
  }
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char* path) override {
    notified.emplace_back(OrNull(path));
    return 0;
  }
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override {
    ++continue_questions;
    return keep_going ? 1 : 0;
  }

  // Drops what was recorded so far.
  void Forget() {
    outputs.clear();
    progress.clear();
    mapped.clear();
    notified.clear();
    continue_questions = 0;
  }
  std::string AllOutput() const {
    std::string all;
    for (const std::string& s : outputs) all += s;
    return all;
  }

  std::optional<std::string> map_to;  // MapFileName answers 0 with this text
  bool keep_going = true;             // what ShouldContinue answers
  std::vector<std::string> outputs;
  std::vector<std::pair<int32_t, int32_t>> progress;  // (index, total)
  std::vector<std::string> mapped;
  std::vector<std::string> notified;
  int continue_questions = 0;

 private:
  static const char* OrNull(const char* text) { return text != nullptr ? text : "(null)"; }
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_RECORDING_HOST_H
