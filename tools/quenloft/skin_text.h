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

// True when patching the text may change what another file's patching
// sees: a statement that may assign a "$$" variable, or a function that
// reads or writes files or evaluates text it computes. Errs towards true.
bool MayAffectOtherFiles(std::string_view text);

// The file type by the extension of the name, as the library finds it;
// none for a name that is all extension (".htm"), which may be taken
// either way.
std::optional<quenloft::MarkerStyle> StyleOf(std::string_view name);
// Whether a file of that type accepts the delimiter row (no type: every row).
bool Accepts(std::optional<quenloft::MarkerStyle> file, quenloft::MarkerStyle row);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_TEXT_H
