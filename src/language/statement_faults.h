// Mistakes in a statement that its parse lets pass without a word: the
// grammar never fails, so "Concat('a, 'b')" simply has no arguments and
// "Concat('a', Concat('b', 'c'))" splits the inner call at its comma.
// Looked for only when someone listens for diagnostics.
#ifndef QUENLOFT_LANGUAGE_STATEMENT_FAULTS_H
#define QUENLOFT_LANGUAGE_STATEMENT_FAULTS_H

#include <cstddef>
#include <string_view>

namespace quenloft {

struct StatementFault {
  enum Kind {
    kNone,
    kUnbalancedQuote,        // a quote left open at the end
    kUnbalancedParenthesis,  // a "(" never closed, or a ")" never opened
    kNestedCall,             // a call with a comma in its arguments, used as an argument
  };
  Kind kind = kNone;
  size_t at = 0;  // the byte of the text the fault is seen at
};

// The first fault of the statement text, with escape pairs stepped over as
// the parser steps over them.
StatementFault FindStatementFault(std::string_view text);

}  // namespace quenloft

#endif  // QUENLOFT_LANGUAGE_STATEMENT_FAULTS_H
