// The closing report of a build: one line for people, or one JSON object.
#ifndef QUENLOFT_TOOL_SUMMARY_H
#define QUENLOFT_TOOL_SUMMARY_H

#include <string>
#include <vector>

#include "diagnostics_printer.h"

namespace quenloft_tool {

struct BuildSummary {
  std::string skin;    // the skin folder
  std::string output;  // the result folder
  int files_copied = 0;
  int files_patched = 0;
  int unresolved_macros = 0;
  int failures = 0;  // "Fail to update" messages
  int warnings = 0;  // warning diagnostics (they fail --strict)
  std::vector<Diagnostic> diagnostics;  // the library's, in the order told
  double milliseconds = 0;
  bool interrupted = false;
  int exit_code = 0;
};

// "12 files copied, 9 patched, 0 unresolved macros, 0 failures in 4.1 ms -> out/"
std::string FormatSummaryLine(const BuildSummary& summary);
// One JSON object on one line, keys in a fixed order.
std::string FormatSummaryJson(const BuildSummary& summary);
// A JSON string literal (quotes included) for 8-bit text.
std::string JsonString(const std::string& text);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SUMMARY_H
