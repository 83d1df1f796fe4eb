// The grammar of one statement:
//
//   [target =] name[.member][(argument, argument, ...)]
//   [target =] 'quoted literal'
//
// ParseStatement cuts a statement into those parts in one pass over its
// bytes, keeping a quote state. What counts, outside quotes:
//   - the last "=" is the assignment sign, also one inside the parentheses
//     ("Output(x = 1)" assigns to "Output(x" and has no name);
//   - the first "." before the first "(" separates name and member;
//   - the first "(" opens and the last ")" after it closes the argument
//     list; parentheses do not nest, so every comma outside quotes splits;
//   - a backslash followed by "%", "\", '"' or "'" is stepped over whole.
// The parse never fails: malformed text gives whatever parts the rules
// give (an unmatched "(" gives no arguments, a dot in the target gives no
// name). Every part is trimmed; quotes and escapes stay in the parts.
#ifndef QUENLOFT_LANGUAGE_STATEMENT_PARSER_H
#define QUENLOFT_LANGUAGE_STATEMENT_PARSER_H

#include <string_view>
#include <vector>

namespace quenloft {

// Space, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool IsStatementSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool IsQuoteByte(char c) { return c == '"' || c == '\''; }

// The view without white space at either end.
constexpr std::string_view TrimStatementSpace(std::string_view s) {
  while (!s.empty() && IsStatementSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsStatementSpace(s.back())) s.remove_suffix(1);
  return s;
}

// The text inside one enclosing pair of the same quote; the text itself
// when it is not so enclosed.
constexpr std::string_view WithoutQuotes(std::string_view text) {
  if (text.size() >= 2 && IsQuoteByte(text.front()) && text.back() == text.front()) {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

// Views into the text given to ParseStatement; valid while that text is.
struct StatementParts {
  std::string_view target;  // empty when the statement assigns nothing
  std::string_view name;
  std::string_view member;
  std::vector<std::string_view> arguments;

  void clear() {
    target = name = member = {};
    arguments.clear();  // keeps the capacity for the next parse
  }
};

void ParseStatement(std::string_view text, StatementParts* parts);

}  // namespace quenloft

#endif  // QUENLOFT_LANGUAGE_STATEMENT_PARSER_H
