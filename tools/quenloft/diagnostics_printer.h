// What the tool tells an author about a statement of the skin, and how it
// shows it: "FILE:LINE:COLUMN: error|warning: REASON", the line of the file
// and a caret under the spot, as compilers do; or a JSON list.
#ifndef QUENLOFT_TOOL_DIAGNOSTICS_PRINTER_H
#define QUENLOFT_TOOL_DIAGNOSTICS_PRINTER_H

#include <string>
#include <string_view>
#include <vector>

namespace quenloft_tool {

struct Diagnostic {
  std::string file;  // as shown: the skin folder as given, then the file's name in it
  int line = 0;      // 1-based; 0 unknown
  int column = 0;    // 1-based, in bytes; 0 unknown
  bool warning = false;
  std::string code;       // a stable short name, e.g. "unbalanced-quote"
  std::string reason;     // one sentence
  std::string statement;  // the statement concerned, as written
};

// --color: auto colours only a terminal, and only while NO_COLOR is unset
// or empty (no-color.org).
enum class ColorMode { kAuto, kAlways, kNever };
ColorMode ParseColorMode(std::string_view text);  // "always", "never", else auto
bool UseColor(ColorMode mode, bool is_terminal);

// The diagnostic, then `source_line` with a caret under the column (when
// both are known), each line ending in "\n".
std::string RenderDiagnostic(const Diagnostic& diagnostic, std::string_view source_line,
                             bool color);

// Line `line` (1-based) of `text`, without its line end; empty past the end.
std::string_view LineOf(std::string_view text, int line);
// The 1-based line and column of byte `offset` of `text`.
void LineAndColumn(std::string_view text, size_t offset, int* line, int* column);

// A JSON array of the diagnostics, keys in a fixed order.
std::string DiagnosticsJson(const std::vector<Diagnostic>& diagnostics);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_DIAGNOSTICS_PRINTER_H
