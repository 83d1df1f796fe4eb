// What a quick look at a skin file's bytes tells the build before the
// library parses it.
#ifndef QUENLOFT_TOOL_SKIN_TEXT_H
#define QUENLOFT_TOOL_SKIN_TEXT_H

#include <optional>
#include <string_view>

#include "quenloft/conventions.h"

namespace quenloft_tool {

// False when patching cannot change the bytes of the file `name`: they
// hold a zero byte (the library keeps such files unchanged) or no marker
// opening that its file type accepts.
bool MayHoldMarkers(std::string_view bytes, std::string_view name);

// The file type by the extension of the name, as the library finds it. A
// name that is all extension (".htm") may be taken either way: none.
std::optional<quenloft::MarkerStyle> MarkerStyleOfName(std::string_view name);

// True when the text may assign a variable of any scope: a name ending in
// "$" followed by an assignment. Errs towards true.
bool MayAssignVariables(std::string_view text);

// True when a marker's inner text may change what a later marker of the
// same file sees: an assignment (of a variable of any scope) or a function
// that reaches past the marker. Errs towards true; cheap when false.
bool MayReachPastMarker(std::string_view statement);

// True when patching the text may change what another file's patching
// sees: a statement that may assign a "$$" variable, or a function that
// reads or writes files or evaluates text it computes. Errs towards true.
bool MayAffectOtherFiles(std::string_view text);

// Whether a file of that type accepts the delimiter row (no type: every row).
bool Accepts(std::optional<quenloft::MarkerStyle> file, quenloft::MarkerStyle row);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_TEXT_H
