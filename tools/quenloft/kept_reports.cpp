#include "kept_reports.h"

namespace quenloft_tool {
namespace {

std::string TextOf(const char* text) { return text == nullptr ? std::string() : text; }

}  // namespace

KeptDiagnostic KeptDiagnostic::Of(const TplDiagnostic& d, size_t before_message) {
  KeptDiagnostic kept;
  kept.before_message = before_message;
  kept.severity = d.severity;
  kept.line = d.line;
  kept.column = d.column;
  kept.code = TextOf(d.code);
  kept.file = TextOf(d.file);
  kept.statement = TextOf(d.statement);
  kept.reason = TextOf(d.reason);
  return kept;
}

TplDiagnostic KeptDiagnostic::View() const {
  TplDiagnostic view{};
  view.size = sizeof(TplDiagnostic);
  view.severity = severity;
  view.code = code.c_str();
  view.file = file.c_str();
  view.line = line;
  view.column = column;
  view.statement = statement.c_str();
  view.reason = reason.c_str();
  return view;
}

void TextOrigin::Shift(int32_t* line_in_piece, int32_t* column_in_piece) const {
  if (*line_in_piece <= 0) return;
  if (*line_in_piece == 1 && *column_in_piece > 0) *column_in_piece += column - 1;
  *line_in_piece += line - 1;
}

void KeptReports::TellTo(ITplHostCallback* host, ITplDiagnostics* diagnostics_host,
                         TextOrigin piece) const {
  size_t next = 0;
  for (size_t i = 0; i <= messages.size(); ++i) {
    for (; next < diagnostics.size() && diagnostics[next].before_message == i; ++next) {
      TplDiagnostic diagnostic = diagnostics[next].View();
      piece.Shift(&diagnostic.line, &diagnostic.column);
      diagnostics_host->Report(&diagnostic);
    }
    if (i < messages.size()) host->Output(messages[i].c_str());
  }
}

}  // namespace quenloft_tool
