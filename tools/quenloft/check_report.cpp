#include "check_report.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string_view>
#include <tuple>

#include "quenloft/conventions.h"
#include "skin_lint.h"
#include "summary.h"

namespace quenloft_tool {
namespace {

// Finds where each unresolved macro stands. Macros are evaluated in
// document order, so each search goes on after the previous find (repeated
// macros get successive places); a text not found there is looked for from
// the start.
class MacroFinder {
 public:
  explicit MacroFinder(std::string_view text) : text_(text) {}

  size_t OffsetOf(const std::string& macro) {
    if (macro.empty()) return std::string_view::npos;
    size_t at = text_.find(macro, next_);
    if (at == std::string_view::npos) at = text_.find(macro);
    if (at != std::string_view::npos) next_ = at + 1;
    return at;
  }

 private:
  std::string_view text_;
  size_t next_ = 0;
};

// Why a macro the library gave no reason for did not resolve, as far as
// its name tells: a name that is near a known one was probably meant as it.
std::string UnresolvedReason(const std::string& macro, const SkinLint& lint) {
  std::string reason = "can not resolve macro: " + macro;
  const std::string name = CalledName(macro);
  if (name.empty()) return reason;
  std::vector<std::string> known = BuiltinFunctionNames();
  known.insert(known.end(), lint.assigned().begin(), lint.assigned().end());
  if (std::find(known.begin(), known.end(), name) != known.end()) return reason;
  const std::string near = NearestName(name, known);
  if (!near.empty()) reason += " (unknown name " + name + "; did you mean " + near + "?)";
  return reason;
}

}  // namespace

void CheckReport::AddFile(const std::string& name, const std::string& shown, std::string_view text,
                          const std::vector<Diagnostic>& from_library,
                          const std::vector<UnresolvedMacro>& unresolved, const SkinLint& lint) {
  std::vector<Diagnostic> found = lint.Lint(name, shown, text);
  std::set<std::pair<int, std::string>> linted;  // line, and the library's code for it
  std::set<std::pair<int, int>> spots;
  for (const Diagnostic& d : found) {
    linted.emplace(d.line, d.code == kReadBeforeSetCode ? quenloft::kUnsetVariableCode : d.code);
    spots.emplace(d.line, d.column);
  }
  for (const Diagnostic& d : from_library) {
    if (linted.count({d.line, d.code}) == 0) found.push_back(d);
  }
  MacroFinder finder(text);
  for (const UnresolvedMacro& macro : unresolved) {
    Diagnostic d;
    d.file = shown;
    d.statement = macro.text;
    const size_t at = finder.OffsetOf(d.statement);
    if (at != std::string_view::npos) LineAndColumn(text, at, &d.line, &d.column);
    d.code = kUnresolvedCode;
    d.reason = UnresolvedReason(d.statement, lint);
    unresolved_.push_back(d);
    // A lint finding at its spot says why.
    if (!macro.explained && spots.count({d.line, d.column}) == 0) found.push_back(std::move(d));
  }
  std::stable_sort(found.begin(), found.end(), [](const Diagnostic& a, const Diagnostic& b) {
    return std::tie(a.line, a.column) < std::tie(b.line, b.column);
  });
  for (Diagnostic& d : found) Count(std::move(d));
}

void CheckReport::AddPrelude(std::vector<Diagnostic> from_library,
                             const std::vector<UnresolvedMacro>& unresolved) {
  for (Diagnostic& d : from_library) {
    d.file = "prelude";
    d.line = d.column = 0;
    Count(std::move(d));
  }
  for (const UnresolvedMacro& macro : unresolved) {
    Diagnostic d;
    d.file = "prelude";
    d.statement = macro.text;
    d.code = kUnresolvedCode;
    d.reason = "can not resolve macro: " + macro.text;
    unresolved_.push_back(d);
    if (!macro.explained) Count(std::move(d));
  }
}

void CheckReport::Count(Diagnostic d) {
  // A value that quietly stands in for one that failed (black for an
  // unknown colour, the statement for a missing file, nothing for a failed
  // transformation) is a build's warning but check's error: check is
  // asked exactly to find such mistakes.
  static const std::set<std::string_view> kFailedValueCodes = {
      quenloft::kUnknownColorCode, quenloft::kFileNotFoundCode, quenloft::kTransformFailedCode};
  if (d.warning && kFailedValueCodes.count(d.code) != 0) d.warning = false;
  ++(d.warning ? warnings_ : errors_);
  diagnostics_.push_back(std::move(d));
}

void CheckReport::Print(std::FILE* out,
                        const std::function<std::string(const Diagnostic&)>& render) const {
  for (const Diagnostic& d : diagnostics_) std::fputs(render(d).c_str(), out);
}

std::string CheckReport::Json(int files_checked) const {
  // "unresolved" as before the diagnostics came, for scripts that read it.
  std::string out = "{\"files_checked\":" + std::to_string(files_checked) + ",\"unresolved\":[";
  for (size_t i = 0; i < unresolved_.size(); ++i) {
    if (i > 0) out += ",";
    out += "{\"file\":" + JsonString(unresolved_[i].file) +
           ",\"line\":" + std::to_string(unresolved_[i].line) +
           ",\"message\":" + JsonString("can not resolve macro: " + unresolved_[i].statement) + "}";
  }
  return out + "],\"diagnostics\":" + DiagnosticsJson(diagnostics_) + "}";
}

std::string CheckSummaryLine(int files_checked, const CheckReport& report) {
  const auto count = [](size_t n, const char* one) {
    return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
  };
  return count(static_cast<size_t>(files_checked), "file") + " checked, " +
         count(report.unresolved(), "unresolved macro") + ", " +
         count(static_cast<size_t>(report.errors()), "error") + ", " +
         count(static_cast<size_t>(report.warnings()), "warning");
}

std::string MacroOfMessage(const std::string& message, const std::string& file) {
  const std::string_view prefix = quenloft::kUnresolvedMacroPrefix;
  std::string text = std::string_view(message).starts_with(prefix)
                         ? message.substr(prefix.size())
                         : message;
  const std::string suffix = " in " + file;
  if (text.size() >= suffix.size() &&
      text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
    text.resize(text.size() - suffix.size());
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace quenloft_tool
