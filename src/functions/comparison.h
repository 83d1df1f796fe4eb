// The comparisons behind CompareString and CompareNumber.
#ifndef QUENLOFT_FUNCTIONS_COMPARISON_H
#define QUENLOFT_FUNCTIONS_COMPARISON_H

#include <cstdint>
#include <string_view>

namespace quenloft {

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

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_COMPARISON_H
