#include "language/statement_faults.h"

#include "language/escapes.h"
#include "language/statement_parser.h"

namespace quenloft {

namespace {

// The bytes the scan stops at; every other byte is stepped over in a tight
// loop, so a plain name costs little more than its length.
constexpr bool IsLandmark(char c) {
  return c == '\\' || IsQuoteByte(c) || c == '(' || c == ')' || c == ',';
}

}  // namespace

StatementFault FindStatementFault(std::string_view text) {
  char quote = 0;
  size_t quote_at = 0;
  size_t depth = 0;     // parentheses open outside quotes
  size_t outer_at = 0;  // the "(" that opened the argument list
  size_t inner_at = 0;  // the latest "(" inside it
  for (size_t i = 0; i < text.size(); ++i) {
    if (quote == 0) {
      while (i < text.size() && !IsLandmark(text[i])) ++i;
    } else {
      while (i < text.size() && text[i] != quote && text[i] != '\\') ++i;
    }
    if (i == text.size()) break;
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && IsEscapable(text[i + 1])) {
      ++i;
      continue;
    }
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (IsQuoteByte(c)) {
      quote = c;
      quote_at = i;
    } else if (c == '(') {
      if (depth == 0) outer_at = i;
      if (depth == 1) inner_at = i;
      ++depth;
    } else if (c == ')') {
      if (depth == 0) return {StatementFault::kUnbalancedParenthesis, i};
      --depth;
    } else if (c == ',' && depth >= 2) {
      // Arguments do not nest: this comma splits the outer list.
      return {StatementFault::kNestedCall, inner_at};
    }
  }
  if (quote != 0) return {StatementFault::kUnbalancedQuote, quote_at};
  if (depth != 0) return {StatementFault::kUnbalancedParenthesis, outer_at};
  return {};
}

}  // namespace quenloft
