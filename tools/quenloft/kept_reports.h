// What the library tells a host while it patches on another thread, kept
// to be told to the build's own host later, in the order it came.
#ifndef QUENLOFT_TOOL_KEPT_REPORTS_H
#define QUENLOFT_TOOL_KEPT_REPORTS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "quenloft/quenloft.h"

namespace quenloft_tool {

// A diagnostic, to be told just before the message it came before.
struct KeptDiagnostic {
  size_t before_message = 0;  // index into KeptReports::messages
  int32_t severity = TPL_DIAGNOSTIC_ERROR;
  int32_t line = 0;
  int32_t column = 0;
  std::string code, file, statement, reason;

  static KeptDiagnostic Of(const TplDiagnostic& diagnostic, size_t before_message);
  TplDiagnostic View() const;  // borrows the strings
};

// Where a piece of a file begins in it: the library counts a diagnostic's
// line and column within the piece it patches.
struct TextOrigin {
  int32_t line = 1;
  int32_t column = 1;

  // Moves a line and column of the piece to the file's own.
  void Shift(int32_t* line_in_piece, int32_t* column_in_piece) const;
};

struct KeptReports {
  std::vector<std::string> messages;  // the host's Output calls, in order
  std::vector<KeptDiagnostic> diagnostics;

  void Clear() {
    messages.clear();
    diagnostics.clear();
  }
  // Tells a host the messages and diagnostics as they came, those of a
  // piece of a file shifted to the file's lines.
  void TellTo(ITplHostCallback* host, ITplDiagnostics* diagnostics_host,
              TextOrigin piece = TextOrigin()) const;
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_KEPT_REPORTS_H
