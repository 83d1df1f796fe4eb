// The host's diagnostics: why a statement failed, or resolved but likely
// not as meant, and where it stands. Only a host callback that answers
// ITplDiagnostics hears them; without one nothing here does any work.
//
// A reason is worked out where it is known (the manager for a name nobody
// has, a function for its argument count, the System resolver for a key
// nobody set) and waits, by nesting level, for the statement's outcome:
// an error when the statement fails, reported just before the manager's
// message about it; a warning when it resolves. A top-level statement
// whose text is malformed gets that one error and nothing more, and so
// does one stopped at a limit or by the host.
#ifndef QUENLOFT_MANAGER_DIAGNOSTICS_H
#define QUENLOFT_MANAGER_DIAGNOSTICS_H

#include <string>
#include <string_view>
#include <vector>

#include "patching/evaluation_site.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class Diagnostics {
 public:
  struct Reason {
    const char* code;  // of quenloft/conventions.h
    std::string text;
    size_t at = 0;  // the spot, as an offset into the statement
  };

  // The host's interface, or null for a host that does not answer.
  void SetSink(ComPtr<ITplDiagnostics> sink) { sink_ = std::move(sink); }
  // True when someone listens (and the manager is not busy on its own).
  bool on() const { return sink_ && quiet_ == 0; }
  EvaluationSites* sites() { return &sites_; }

  // Silences the diagnostics while the manager resolves for itself.
  class Quiet {
   public:
    explicit Quiet(Diagnostics& d) : d_(d) { ++d_.quiet_; }
    ~Quiet() { --d_.quiet_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

   private:
    Diagnostics& d_;
  };

  // A top-level statement begins. A malformed one is reported when it
  // ends, and nothing else about it.
  void BeginStatement(std::string_view text);
  // A reason for the statement resolving at level; the first one counts.
  void Explain(int level, std::string_view code, std::string_view reason);
  // True when the outcome of the statement at level may make a
  // diagnostic, so that Conclude is worth its call.
  bool Wants(int level, bool resolved) const {
    return on() && (!resolved || !pending_.empty() || (level == 1 && fault_.code != nullptr));
  }
  // The outcome of the statement at level. why(&close) gives the reason
  // of a failure nobody explained, and close set ends the diagnostics of
  // the top-level statement after it.
  template <class Why>
  void Conclude(int level, bool resolved, std::string_view text, Why why) {
    Reason reason{nullptr, {}};
    TakePending(level, &reason);
    if (level == 1 && fault_.code != nullptr) {
      reason = std::move(fault_);
      fault_.code = nullptr;
    } else if (closed_) {
      return;
    } else if (resolved && reason.code == nullptr) {
      return;
    } else if (reason.code == nullptr) {
      bool close = false;
      reason = why(&close);
      closed_ = close;
    }
    Report(resolved ? TPL_DIAGNOSTIC_WARNING : TPL_DIAGNOSTIC_ERROR, reason, text);
  }

 private:
  struct Pending {
    int level;
    Reason reason;
  };
  void TakePending(int level, Reason* out);
  void Report(int32_t severity, const Reason& reason, std::string_view text);

  ComPtr<ITplDiagnostics> sink_;
  int quiet_ = 0;
  bool closed_ = false;           // the top-level statement has had its say
  std::string top_;               // the top-level statement, as written
  Reason fault_{nullptr, {}};     // of its text, reported when it ends
  std::vector<Pending> pending_;  // innermost last
  EvaluationSites sites_;
};

}  // namespace quenloft

#endif  // QUENLOFT_MANAGER_DIAGNOSTICS_H
