// A host that answers ITplDiagnostics (or, told not to, does not) and
// records what it hears.
#ifndef QUENLOFT_TESTS_SUPPORT_DIAGNOSED_HOST_H
#define QUENLOFT_TESTS_SUPPORT_DIAGNOSED_HOST_H

#include <functional>
#include <string>
#include <vector>

#include "support/host_objects.h"

namespace quenloft::testing {

// Records Output and Report calls in one list, "O <text>" and
// "D <line>:<column> <severity> <code> <statement> | <reason>", so that
// the rows can check their order.
class DiagnosedHost : public RecordingHost {
 public:
  explicit DiagnosedHost(bool answers) : answers_(answers) {}

  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (answers_ && out != nullptr && iid == IID_ITplDiagnostics) {
      listener_.AddRef();
      *out = static_cast<ITplDiagnostics*>(&listener_);
      return 0;
    }
    return RecordingHost::QueryInterface(iid, out);
  }
  int32_t QL_CALL Output(const char* text) override {
    events.push_back("O " + std::string(text));
    return RecordingHost::Output(text);
  }

  std::vector<std::string> events;
  // Applied to each diagnostic's line and column before it is recorded.
  std::function<void(int32_t* line, int32_t* column)> shift;
  std::vector<TplDiagnostic> seen;  // strings dropped: they are borrowed
  int32_t listener_count() const { return listener_.count(); }

 private:
  class Listener final : public SelfCounted<ITplDiagnostics> {
   public:
    explicit Listener(DiagnosedHost& host) : host_(host) {}
    int32_t QL_CALL Report(const TplDiagnostic* d) override {
      int32_t line = d->line;
      int32_t column = d->column;
      if (host_.shift) host_.shift(&line, &column);
      host_.events.push_back("D " + std::to_string(line) + ":" + std::to_string(column) +
                             (d->severity == TPL_DIAGNOSTIC_ERROR ? " error " : " warning ") +
                             d->code + " " + d->statement + " | " + d->reason + " @" + d->file);
      host_.seen.push_back(*d);
      return 0;
    }

   private:
    DiagnosedHost& host_;
  };

  bool answers_;
  Listener listener_{*this};
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_DIAGNOSED_HOST_H
