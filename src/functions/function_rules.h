// The rules of the built-in functions on plain text: truth texts,
// comparisons, replacement and the names of percent-sign macros. No
// interface is involved, so each is tested on its own.
#ifndef QUENLOFT_FUNCTIONS_FUNCTION_RULES_H
#define QUENLOFT_FUNCTIONS_FUNCTION_RULES_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quenloft {

// True when the text, trimmed of white space at both ends and folded to
// lower case, is "true", "yes" or "1".
bool IsTrueText(std::string_view text);

// The texts of yes-no answers.
inline constexpr std::string_view kTrueText = "true";
inline constexpr std::string_view kFalseText = "false";
inline std::string_view TruthText(bool value) { return value ? kTrueText : kFalseText; }

enum class Comparison {
  kText,    // bytes compared ordinally; also "substr" and "compnocase"
  kNumber,  // both sides read as integers first
};

// The integer at the start of text the way the C library's atoi reads it:
// leading white space, an optional sign, decimal digits up to the first
// other byte; no digits give 0. Values beyond the 32-bit range saturate.
int32_t ParseLeadingInteger(std::string_view text);

// The outcome of "a <op> b". Operators: "<=", "<", "==", ">=", ">", "!="
// and, for kText only, "substr" (b occurs in a) and "compnocase" (equal
// ignoring ASCII case). Any other operator gives false.
bool CompareValues(std::string_view op, std::string_view a, std::string_view b,
                   Comparison kind);

// Replaces every occurrence of find in *text, left to right and not
// overlapping; an empty find changes nothing. False, with *text as it was,
// when the result would be longer than limit bytes.
bool ReplaceAll(std::string* text, std::string_view find, std::string_view replacement,
                uint64_t limit);

// The names of the "%name%" macros of text, in order: the bytes strictly
// between each pair of "%" in turn, escapes removed. Empty names are
// skipped; an opening "%" without a closing one is ignored.
std::vector<std::string> PercentNames(std::string_view text);

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_FUNCTION_RULES_H
