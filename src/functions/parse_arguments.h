// ParseArguments: turns the argument texts of one call into argument
// values. Each invocation fills its own vector, so a function re-entered
// while its arguments are worked out keeps its values apart.
#ifndef QUENLOFT_FUNCTIONS_PARSE_ARGUMENTS_H
#define QUENLOFT_FUNCTIONS_PARSE_ARGUMENTS_H

#include <string>
#include <vector>

#include "quenloft/interfaces.h"

namespace quenloft {

enum class ArgumentMode {
  kEvaluated,  // unquoted arguments are statements, resolved now
  kDeferred,   // unquoted arguments come back as marker + text + marker
};

// Encloses a deferred argument's text.
inline constexpr char kDeferredMarker = '\xFF';

// Empties *values, then appends one value per argument: "" for an empty
// text; a quoted text without its quotes and with escapes resolved; in
// deferred mode marker+text+marker; in evaluated mode the value of the text
// resolved as a statement through services (with the call's context as
// owner), or the text itself when it does not resolve.
// False only when call is null.
bool ParseArguments(ITplMacroServices* services, ITplMacroCall* call, ArgumentMode mode,
                    std::vector<std::string>* values);

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_PARSE_ARGUMENTS_H
