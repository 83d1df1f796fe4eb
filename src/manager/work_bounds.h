// The work one top-level statement may do, and the host's request to stop.
//
// The manager asks Admit at the top of every resolution of a call. A
// statement (a marker's statement, or a text a host resolves, with every
// evaluation nested in it) gets a budget of evaluations; once it is used
// up, or while the host's ITplHostControl asks to stop, every call is
// refused: it fails like an unresolved one, and the reason is told to the
// host once per top-level statement. Fan-out is bounded this way, which
// the nesting depth alone does not do: a marker that evaluates itself
// twice per level would do 2^64 evaluations at 64 levels.
//
// A refused call does no work, so a refused statement ends after the calls
// already started, at most the nesting depth of them, have failed theirs.
#ifndef QUENLOFT_MANAGER_WORK_BOUNDS_H
#define QUENLOFT_MANAGER_WORK_BOUNDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "functions/sandbox.h"
#include "functions/system_resolver.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class WorkBounds {
 public:
  // One evaluation; top_level for a call that no other evaluation
  // contains. False when it is refused; the host (may be null) has been
  // told why. Costs a count and, with a host control, one call to it.
  bool Admit(bool top_level, ITplHostCallback* host) {
    if (top_level) {
      steps_ = 0;
      if (!told_.empty()) told_.clear();
    }
    if (++steps_ > limits_.max_steps) return Refuse(Reason::kBudget, host);
    if (control_ && control_->ShouldStop() != 0) return Refuse(Reason::kStop, host);
    return true;
  }

  // Tells the host (may be null) text, unless this top-level statement
  // told it already.
  void Tell(const std::string& text, ITplHostCallback* host);

  const WorkLimits& limits() const { return limits_; }
  // The limits the system values set; the default for each one they leave
  // unset or set to anything but a positive integer.
  void ReadLimits(const SystemValueMap& values);

  // The host's control, or null for a host without one.
  void SetControl(ComPtr<ITplHostControl> control) { control_ = std::move(control); }

  enum class Reason { kBudget, kStop };
  // Why Admit last refused.
  Reason refused() const { return refused_; }

 private:
  bool Refuse(Reason reason, ITplHostCallback* host);

  WorkLimits limits_;
  ComPtr<ITplHostControl> control_;
  int64_t steps_ = 0;              // evaluations of the current top-level statement
  std::vector<std::string> told_;  // what the host heard during it
  Reason refused_ = Reason::kBudget;
};

}  // namespace quenloft

#endif  // QUENLOFT_MANAGER_WORK_BOUNDS_H
