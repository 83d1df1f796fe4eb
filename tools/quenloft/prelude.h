// The prelude: statements evaluated once before the first file of a build
// or check, so that the "$$" globals they compute (values, partials loaded
// from an excluded folder) reach every file without a helper file in the
// output.
#ifndef QUENLOFT_TOOL_PRELUDE_H
#define QUENLOFT_TOOL_PRELUDE_H

#include <string>
#include <vector>

#include "quenloft/quenloft.h"
#include "settings.h"

namespace quenloft_tool {

// The expressions of a prelude file: one marker's text a line, trimmed;
// blank lines and lines starting with "#" or ";" are skipped.
std::vector<std::string> PreludeLines(const std::string& content);

// Evaluates each expression on the manager, in order; what does not
// resolve is reported to the manager's host, as in a file. Gives the "$$"
// globals the prelude assigned, with their values afterwards, for the
// managers that did not run it (the patch workers').
std::vector<NamedValue> RunPrelude(ITplManager* manager,
                                   const std::vector<std::string>& expressions);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_PRELUDE_H
