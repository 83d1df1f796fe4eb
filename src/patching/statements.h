// An expression's text cut into its statements: at every ";" outside
// quotes (a backslash followed by "%", "\", '"' or "'" is stepped over
// whole), each piece with its escapes removed and trimmed; empty pieces
// are no statements. The expression makes one call per statement; a
// patched file reads a marker's statements the same way before it decides
// whether it needs the expression at all.
#ifndef QUENLOFT_PATCHING_STATEMENTS_H
#define QUENLOFT_PATCHING_STATEMENTS_H

#include <string>
#include <string_view>

#include "language/escapes.h"
#include "language/statement_parser.h"

namespace quenloft {

// Expression texts shorter than this never parse (measured before
// trimming), so a marker holding one stays as written.
inline constexpr size_t kMinExpressionLength = 5;

// Calls on_statement(std::string_view) for each statement of text, in
// order. A statement with escapes is decoded into *scratch, so the view is
// valid only during the call; one without is a view into text.
template <class OnStatement>
void ForEachStatement(std::string_view text, std::string* scratch, OnStatement&& on_statement) {
  const auto add = [&](std::string_view range) {
    if (range.empty()) return;
    std::string_view statement = range;
    if (range.find('\\') != std::string_view::npos) {
      RemoveEscapes(range, scratch);  // only escape pairs change anything
      statement = *scratch;
    }
    statement = TrimStatementSpace(statement);
    if (!statement.empty()) on_statement(statement);
  };
  text = TrimStatementSpace(text);
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && IsEscapable(text[i + 1])) {
      ++i;  // an escape pair neither opens a quote nor ends a statement
    } else if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (IsQuoteByte(c)) {
      quote = c;
    } else if (c == ';') {
      add(text.substr(start, i - start));
      start = i + 1;
    }
  }
  add(text.substr(start));
}

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_STATEMENTS_H
