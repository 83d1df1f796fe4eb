// ParseArguments: turns the argument texts of one call into argument
// values. Each invocation fills its own vector, so a function re-entered
// while its arguments are worked out keeps its values apart.
#ifndef QUENLOFT_FUNCTIONS_PARSE_ARGUMENTS_H
#define QUENLOFT_FUNCTIONS_PARSE_ARGUMENTS_H

#include <string>
#include <string_view>
#include <vector>

#include "language/escapes.h"
#include "language/statement_parser.h"
#include "quenloft/com_ptr.h"
#include "quenloft/interfaces.h"

namespace quenloft {

enum class ArgumentMode {
  kEvaluated,  // unquoted arguments are statements, resolved now
  kDeferred,   // unquoted arguments come back as marker + text + marker
};

// Encloses a deferred argument's text.
inline constexpr char kDeferredMarker = '\xFF';

struct ITplSandbox;

// Appends the value of one argument text to *values by the rules of
// ParseArguments below; evaluate(text, &value) works out the value of an
// unquoted text in evaluated mode.
template <class Evaluate>
void AppendArgumentValue(std::string_view text, ArgumentMode mode, std::vector<std::string>* values,
                         Evaluate&& evaluate) {
  std::string& value = values->emplace_back();
  if (text.empty()) return;
  if (IsQuoteByte(text.front())) {
    RemoveEscapes(WithoutQuotes(text), &value);
  } else if (mode == ArgumentMode::kDeferred) {
    value.reserve(text.size() + 2);
    value.push_back(kDeferredMarker);
    value.append(text);
    value.push_back(kDeferredMarker);
  } else {
    evaluate(text, &value);
  }
}

// A call for a statement evaluated in the context of a function's own
// call: made by the sandbox, which counts the context, or else through the
// services; null when none can be made.
ComPtr<ITplMacroCall> NewArgumentCall(ITplMacroServices* services, ITplSandbox* sandbox,
                                      ITplExpression* context);

// Empties *values, then appends one value per argument: "" for an empty
// text; a quoted text without its quotes and with escapes resolved; in
// deferred mode marker+text+marker; in evaluated mode the value of the text
// resolved as a statement through services (with the call's context as
// owner), or the text itself when it does not resolve.
// False only when call is null. A sandbox that reads the call's arguments
// itself (ITplSandbox::ReadOwnArguments) is asked first.
bool ParseArguments(ITplMacroServices* services, ITplMacroCall* call, ArgumentMode mode,
                    std::vector<std::string>* values, ITplSandbox* sandbox = nullptr);

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_PARSE_ARGUMENTS_H
