#include "diagnostics_printer.h"

#include <algorithm>
#include <cstdlib>

#include "summary.h"

namespace quenloft_tool {
namespace {

// SGR sequences as compilers use them: bold location, red error, magenta
// warning, green caret.
constexpr const char* kBold = "\033[1m";
constexpr const char* kRed = "\033[1;31m";
constexpr const char* kMagenta = "\033[1;35m";
constexpr const char* kGreen = "\033[1;32m";
constexpr const char* kReset = "\033[0m";

}  // namespace

ColorMode ParseColorMode(std::string_view text) {
  if (text == "always") return ColorMode::kAlways;
  if (text == "never") return ColorMode::kNever;
  return ColorMode::kAuto;
}

bool UseColor(ColorMode mode, bool is_terminal) {
  if (mode != ColorMode::kAuto) return mode == ColorMode::kAlways;
  const char* no_color = std::getenv("NO_COLOR");
  return is_terminal && (no_color == nullptr || *no_color == '\0');
}

std::string RenderDiagnostic(const Diagnostic& d, std::string_view source_line, bool color) {
  const auto paint = [color](const char* sgr, const std::string& text) {
    return color ? sgr + text + kReset : text;
  };
  std::string out = paint(kBold, d.file + ":" + std::to_string(d.line) + ":" +
                                     std::to_string(d.column) + ":") +
                    " " +
                    (d.warning ? paint(kMagenta, "warning:") : paint(kRed, "error:")) + " " +
                    d.reason + "\n";
  if (source_line.empty() || d.column <= 0) return out;
  out += "  ";
  out += source_line;
  out += "\n  ";
  // Tabs stay tabs under the caret, so it lines up whatever the tab width.
  const size_t before = std::min(source_line.size(), static_cast<size_t>(d.column - 1));
  for (size_t i = 0; i < before; ++i) out += source_line[i] == '\t' ? '\t' : ' ';
  return out + paint(kGreen, "^") + "\n";
}

std::string_view LineOf(std::string_view text, int line) {
  size_t start = 0;
  for (int i = 1; i < line; ++i) {
    start = text.find('\n', start);
    if (start == std::string_view::npos) return {};
    ++start;
  }
  if (line < 1 || start > text.size()) return {};
  size_t end = text.find('\n', start);
  if (end == std::string_view::npos) end = text.size();
  if (end > start && text[end - 1] == '\r') --end;
  return text.substr(start, end - start);
}

void LineAndColumn(std::string_view text, size_t offset, int* line, int* column) {
  offset = std::min(offset, text.size());
  const std::string_view before = text.substr(0, offset);
  *line = 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
  const size_t line_start = before.rfind('\n');
  *column = static_cast<int>(offset - (line_start == std::string_view::npos ? 0 : line_start + 1)) + 1;
}

std::string DiagnosticsJson(const std::vector<Diagnostic>& diagnostics) {
  std::string out = "[";
  for (const Diagnostic& d : diagnostics) {
    if (out.size() > 1) out += ",";
    out += "{\"file\":" + JsonString(d.file) + ",\"line\":" + std::to_string(d.line) +
           ",\"column\":" + std::to_string(d.column) + ",\"severity\":" +
           (d.warning ? "\"warning\"" : "\"error\"") + ",\"code\":" + JsonString(d.code) +
           ",\"reason\":" + JsonString(d.reason) + ",\"statement\":" + JsonString(d.statement) +
           "}";
  }
  return out + "]";
}

}  // namespace quenloft_tool
