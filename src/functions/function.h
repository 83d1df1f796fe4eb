// CTplFunction: one built-in function of the template language.
//
// The function library (function_library.h) makes one object per row of the
// function table (function_table.h), keeps it for its own life and runs it
// for every macro call that names it. A function keeps no state between
// runs: its argument values belong to the run, so a function re-entered
// while its own arguments are evaluated keeps each run's values apart.
#ifndef QUENLOFT_FUNCTIONS_FUNCTION_H
#define QUENLOFT_FUNCTIONS_FUNCTION_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "quenloft/com_ptr.h"
#include "functions/parse_arguments.h"
#include "quenloft/interfaces.h"

namespace quenloft {

// The argument counts a function accepts.
struct ArgumentCount {
  static constexpr int32_t kUnbounded = INT32_MAX;

  int32_t min = 0;
  int32_t max = kUnbounded;
  bool odd_only = false;  // Replace: text plus find/replacement pairs

  bool Accepts(size_t count) const {
    if (count < static_cast<size_t>(min) || count > static_cast<size_t>(max)) return false;
    return !odd_only || count % 2 == 1;
  }
};

struct FunctionEntry;

class CTplFunction {
 public:
  // services is the manager's macro interface, not counted: the function
  // library that owns this function holds the reference.
  CTplFunction(const FunctionEntry& entry, ITplMacroServices* services);
  virtual ~CTplFunction();
  CTplFunction(const CTplFunction&) = delete;
  CTplFunction& operator=(const CTplFunction&) = delete;

  // Runs the function for one call. 0 when it ran (it has then set the
  // call's result, unless the function's row says otherwise); 1 when it
  // cannot run (no call, a count it does not accept, a failed
  // precondition), with no result set, so the manager reports the macro.
  virtual int32_t Execute(ITplMacroCall* call) = 0;

  const std::string& name() const { return name_; }
  const ArgumentCount& counts() const { return counts_; }

 protected:
  ITplMacroServices* services() const { return services_; }
  // The manager's ITplManager interface, one reference; null when the
  // services do not answer it.
  ComPtr<ITplManager> Manager() const;

 private:
  std::string name_;
  ArgumentCount counts_;
  ITplMacroServices* services_;
};

// The common frame of most functions: evaluated arguments, the count
// check, then Run on the values.
class CTplEvaluatingFunction : public CTplFunction {
 public:
  using CTplFunction::CTplFunction;
  int32_t Execute(ITplMacroCall* call) final;

 protected:
  // Called with a present call and an accepted number of values; returns
  // what Execute returns and sets the result itself.
  virtual int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) = 0;
};

// Sets the call's result to text, up to its first zero byte; 0.
int32_t SetResultText(ITplMacroCall* call, std::string_view text);

// text with every occurrence of find, left to right and not overlapping,
// replaced; an empty find changes nothing.
std::string ReplaceAll(const std::string& text, std::string_view find,
                       std::string_view replacement);

// True when the text, trimmed of white space at both ends and folded to
// lower case, is "true", "yes" or "1".
bool IsTrueText(std::string_view text);

// The texts of yes-no answers.
inline constexpr std::string_view kTrueText = "true";
inline constexpr std::string_view kFalseText = "false";
inline std::string_view TruthText(bool value) { return value ? kTrueText : kFalseText; }

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_FUNCTION_H
