// check's own reading of a skin's statements: the mistakes the library
// cannot see from one statement, or that it does not take for mistakes
// because the text still resolves to something.
//   - a marker opening whose closing is missing before the next opening
//     (the marker runs on into the next one);
//   - an unbalanced quote or parenthesis;
//   - a call used as an argument whose commas split the outer call
//     (calls do not nest: "Concat('a', Concat('b', 'c'))");
//   - a System key that this run does not set (it prints as written): an
//     error here, where the values of the build are known;
//   - a "$$" variable read in a file patched before the file that sets it.
// The scan follows the library's rules: the marker delimiters of
// quenloft/conventions.h, ";" between statements and escape pairs.
#ifndef QUENLOFT_TOOL_SKIN_LINT_H
#define QUENLOFT_TOOL_SKIN_LINT_H

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics_printer.h"

namespace quenloft_tool {

// The lint's own codes; the others are the library's (quenloft/conventions.h).
inline constexpr char kUnclosedMarkerCode[] = "unclosed-marker";
inline constexpr char kReadBeforeSetCode[] = "read-before-set";

class SkinLint {
 public:
  // `system_keys`: the System values this run sets ("System.Title");
  // `preset_globals`: the "$$" variables set before the first file.
  SkinLint(std::set<std::string> system_keys, std::set<std::string> preset_globals);

  // A "$$" variable set before the first file after all (by the prelude).
  void Preset(const std::string& global) { preset_globals_.insert(global); }

  // First pass, in patch order: which file first sets each variable.
  void Learn(const std::string& name, std::string_view text);
  // Second pass, in the same order: the file's problems, in text order,
  // their file shown as `shown`.
  std::vector<Diagnostic> Lint(const std::string& name, const std::string& shown,
                               std::string_view text) const;

  // Every variable name assigned in the files learned, for suggestions.
  const std::set<std::string>& assigned() const { return assigned_; }

 private:
  std::set<std::string> system_keys_;
  std::set<std::string> preset_globals_;
  std::map<std::string, std::string> first_setter_;  // "x$$" -> file name
  std::map<std::string, size_t> order_;              // file name -> position in patch order
  std::set<std::string> assigned_;
};

// The candidate nearest to `name` (letter case and one swap of neighbours
// count little), or "" when none is near enough to be meant.
std::string NearestName(std::string_view name, const std::vector<std::string>& candidates);

// The built-in functions, the names a call most likely meant.
const std::vector<std::string>& BuiltinFunctionNames();

// "Concat" of "x = Concat('a')", "System" of "System.Title"; "" for a literal.
std::string CalledName(std::string_view statement);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_LINT_H
