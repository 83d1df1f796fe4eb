// CTplFunction: one built-in function of the template language, as a row
// of the function table (function_table.h): its name, the argument counts
// it accepts, how its arguments are read and the function that computes
// its result. Execute is the frame every row shares.
//
// A function keeps no state between runs: each run has an Invocation of
// its own, so a function re-entered while its arguments are evaluated
// keeps each run's values apart.
#ifndef QUENLOFT_FUNCTIONS_FUNCTION_H
#define QUENLOFT_FUNCTIONS_FUNCTION_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "functions/sandbox.h"
#include "quenloft/com_ptr.h"
#include "quenloft/interfaces.h"

namespace quenloft {

// The argument counts a function accepts.
struct ArgumentCount {
  static constexpr int32_t kUnbounded = INT32_MAX;

  int32_t min = 0;
  int32_t max = kUnbounded;
  bool odd_only = false;  // Replace: text plus find/replacement pairs

  // "exactly 1", "1 or 2", "at least 1", "an odd number, at least 3".
  std::string Describe() const;

  constexpr bool Accepts(size_t count) const {
    if (count < static_cast<size_t>(min) || count > static_cast<size_t>(max)) return false;
    return !odd_only || count % 2 == 1;
  }
};

// How a function's arguments become its values.
enum class Reading {
  kEvaluated,  // ParseArguments, evaluated: unquoted arguments resolved first
  kDeferred,   // ParseArguments, deferred: unquoted arguments left to the function
  kRawTexts,   // the texts as written: quotes kept, nothing evaluated
};

// One run of a function.
struct Invocation {
  ITplMacroCall* call;              // never null
  ITplMacroServices* services;      // the manager's, not counted; may be null
  ITplSandbox* sandbox;             // the manager's, not counted; may be null
  std::vector<std::string> values;  // as many as the row accepts

  // The manager's ITplManager interface, one reference; null when there
  // are no services or they do not answer it.
  ComPtr<ITplManager> Manager() const;
  // Sets the call's result to text, up to its first zero byte; 0. A text
  // larger than the value size limit sets nothing: 1, and the host is told.
  int32_t SetResult(std::string_view text) const;

  WorkLimits Limits() const;
  // True when a value of size bytes is within the value size limit; when
  // not, the host is told.
  bool Fits(uint64_t size) const;
  // Tells the host that a value passed the value size limit; 1.
  int32_t TooLarge() const;
  // Tells the host why the statement fails (once per top-level statement).
  void Report(const std::string& text) const;
  // True when the host listens for diagnostics: only then is a reason
  // worth working out.
  bool Diagnosing() const;
  // The reason behind the statement's outcome, for the host's diagnostics.
  void Explain(const char* code, const std::string& reason) const;
  // The path to use for a full path the function may use as asked (where
  // it really leads); nothing when refused (the host is told).
  std::optional<std::string> Allowed(const std::string& path, FileAccess access) const;
};

struct CTplFunction {
  std::string_view name;  // exact, case-sensitive
  ArgumentCount counts;
  Reading reading;
  // Called with an accepted number of values. 0 when the function ran: it
  // has set the result, unless its comment says otherwise (LoadFromFile,
  // AssignString). 1 when it cannot run (a failed precondition), with no
  // result set.
  int32_t (*run)(Invocation& invocation);

  // Reads the arguments, checks their count and runs. 1 for a missing call
  // or a count the row does not accept: no result is set, so the manager
  // reports the macro.
  // values: room for the argument values, kept by the caller from run to
  // run so that reading them allocates nothing once it has grown; null:
  // a vector of the run's own.
  int32_t Execute(ITplMacroCall* call, ITplMacroServices* services, ITplSandbox* sandbox,
                  std::vector<std::string>* values = nullptr) const;
};

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_FUNCTION_H
