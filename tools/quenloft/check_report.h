// What check tells about one file and about the whole skin: the library's
// diagnostics, the unresolved macros it gave no reason for, and the lint's
// findings, in text order; then all of them as text or JSON.
#ifndef QUENLOFT_TOOL_CHECK_REPORT_H
#define QUENLOFT_TOOL_CHECK_REPORT_H

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics_printer.h"

namespace quenloft_tool {

class SkinLint;

// A macro the library reported unresolved.
struct UnresolvedMacro {
  std::string text;        // see MacroOfMessage
  bool explained = false;  // the library gave a diagnostic for it
};

// What check tells about an unresolved macro the library gave no reason for.
inline constexpr char kUnresolvedCode[] = "unresolved";

class CheckReport {
 public:
  // One checked file: the diagnostics the library gave for it, the macros
  // it reported unresolved, the file's text. Where the lint finds the same
  // mistake as the library, the lint's finding is shown: it knows the
  // values of the run and the order of the files.
  void AddFile(const std::string& name, const std::string& shown, std::string_view text,
               const std::vector<Diagnostic>& from_library,
               const std::vector<UnresolvedMacro>& unresolved, const SkinLint& lint);

  // What the prelude gave, shown as "prelude:0:0:".
  void AddPrelude(std::vector<Diagnostic> from_library,
                  const std::vector<UnresolvedMacro>& unresolved);

  int errors() const { return errors_; }
  int warnings() const { return warnings_; }
  size_t unresolved() const { return unresolved_.size(); }

  // The diagnostics on `out`, each shown by `render`; or one JSON object.
  void Print(std::FILE* out, const std::function<std::string(const Diagnostic&)>& render) const;
  std::string Json(int files_checked) const;

 private:
  std::vector<Diagnostic> diagnostics_;
  std::vector<Diagnostic> unresolved_;  // every unresolved macro, listed on its own in JSON
  int errors_ = 0;
  int warnings_ = 0;

  void Count(Diagnostic d);
};

// "3 files checked, 1 unresolved macro, 2 errors, 0 warnings"
std::string CheckSummaryLine(int files_checked, const CheckReport& report);

// "Template Error: can not resolve macro: TEXT in FILE" -> TEXT.
std::string MacroOfMessage(const std::string& message, const std::string& file);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_CHECK_REPORT_H
