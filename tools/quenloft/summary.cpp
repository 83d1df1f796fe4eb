#include "summary.h"

#include <cstdio>

namespace quenloft_tool {
namespace {

std::string Plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Milliseconds(double ms) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", ms);
  return buffer;
}

}  // namespace

std::string FormatSummaryLine(const BuildSummary& s) {
  std::string line = Plural(s.files_copied, "file", "files") + " copied, " +
                     std::to_string(s.files_patched) + " patched, " +
                     Plural(s.unresolved_macros, "unresolved macro", "unresolved macros") + ", " +
                     Plural(s.failures, "failure", "failures") + " in " +
                     Milliseconds(s.milliseconds) + " ms -> " + s.output;
  if (s.interrupted) line += " (interrupted)";
  return line;
}

std::string FormatSummaryJson(const BuildSummary& s) {
  return std::string("{\"skin\":") + JsonString(s.skin) + ",\"output\":" + JsonString(s.output) +
         ",\"files_copied\":" + std::to_string(s.files_copied) +
         ",\"files_patched\":" + std::to_string(s.files_patched) +
         ",\"unresolved_macros\":" + std::to_string(s.unresolved_macros) +
         ",\"failures\":" + std::to_string(s.failures) +
         ",\"milliseconds\":" + Milliseconds(s.milliseconds) +
         ",\"interrupted\":" + (s.interrupted ? "true" : "false") +
         ",\"exit_code\":" + std::to_string(s.exit_code) +
         ",\"diagnostics\":" + DiagnosticsJson(s.diagnostics) + "}";
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += static_cast<char>(c);  // UTF-8 passes through
        }
    }
  }
  return out + "\"";
}

}  // namespace quenloft_tool
