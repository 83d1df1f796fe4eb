#include "skin_text.h"

#include <array>
#include <cctype>
#include <cstring>
#include <string>

#include "quenloft/conventions.h"

namespace quenloft_tool {
namespace {

constexpr bool EveryOpeningEndsWithPercent() {
  for (const auto& row : quenloft::kMarkerDelimiters) {
    if (row.opening.empty() || row.opening.back() != '%') return false;
  }
  return true;
}
static_assert(EveryOpeningEndsWithPercent(), "MayHoldMarkers finds openings by their '%'");

// The functions whose effects reach past the file being patched.
constexpr std::array<std::string_view, 5> kFunctionsReachingOut = {
    "LoadFromFile", "SaveToFile", "MoveFile", "Transform", "ReplaceMacro"};

// One of these bytes stands in every statement that may reach past its
// marker: the "=" of an assignment, or a byte of each function name above.
constexpr std::string_view kReachingBytes = "=FTR";

constexpr bool EveryNameHoldsAReachingByte() {
  for (const std::string_view name : kFunctionsReachingOut) {
    if (name.find_first_of(kReachingBytes) == std::string_view::npos) return false;
  }
  return true;
}
static_assert(EveryNameHoldsAReachingByte());

// The bytes above as a table: a marker's statement is short, and looking
// each of its bytes up is cheaper than a search per byte.
constexpr std::array<bool, 256> kIsReachingByte = [] {
  std::array<bool, 256> table{};
  for (const char c : kReachingBytes) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

bool HoldsReachingByte(std::string_view statement) {
  for (const char c : statement) {
    if (kIsReachingByte[static_cast<unsigned char>(c)]) return true;
  }
  return false;
}

bool Contains(std::string_view text, char c) {
  return std::memchr(text.data(), c, text.size()) != nullptr;
}

// After a variable's name, what may stand before an assignment's "=": blanks, the
// "+" of an append, and quotes or backslashes the statement may drop.
bool MayStandBeforeAssignment(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '+' || c == '\'' ||
         c == '"' || c == '\\';
}

// True when an assignment's "=" may follow a variable name that ends just
// before `next`.
bool AssignmentFollows(std::string_view text, size_t next) {
  while (next < text.size() && MayStandBeforeAssignment(text[next])) ++next;
  return next < text.size() && text[next] == '=';
}

}  // namespace

std::optional<quenloft::MarkerStyle> MarkerStyleOfName(std::string_view name) {
  name = name.substr(name.find_last_of("/\\") + 1);
  const size_t dot = name.rfind('.');
  if (dot == 0) return std::nullopt;
  if (dot == std::string_view::npos) return quenloft::MarkerStyleAny;
  std::string extension(name.substr(dot));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& entry : quenloft::kFileTypeExtensions) {
    if (extension == entry.extension) return entry.style;
  }
  return quenloft::MarkerStyleAny;
}

bool Accepts(std::optional<quenloft::MarkerStyle> file, quenloft::MarkerStyle row) {
  return !file || row == quenloft::MarkerStyleAny || row == *file;
}

bool MayHoldMarkers(std::string_view bytes, std::string_view name) {
  if (bytes.empty()) return false;
  const std::optional<quenloft::MarkerStyle> style = MarkerStyleOfName(name);
  for (const char* p = bytes.data(); (p = static_cast<const char*>(std::memchr(
                                          p, '%', bytes.size() - (p - bytes.data())))) != nullptr;
       ++p) {
    const size_t end = static_cast<size_t>(p - bytes.data()) + 1;
    for (const auto& row : quenloft::kMarkerDelimiters) {
      if (!Accepts(style, row.style)) continue;
      const size_t size = row.opening.size();
      // The zero byte last: most texts have no opening, and then one scan
      // of them is enough.
      if (end >= size && bytes.substr(end - size, size) == row.opening) {
        return !Contains(bytes, '\0');
      }
    }
  }
  return false;
}

bool MayAffectOtherFiles(std::string_view text) {
  for (const std::string_view name : kFunctionsReachingOut) {
    if (text.find(name) != std::string_view::npos) return true;
  }
  for (size_t at = text.find("$$"); at != std::string_view::npos; at = text.find("$$", at + 1)) {
    if (AssignmentFollows(text, at + 2)) return true;
  }
  return false;
}

bool MayReachPastMarker(std::string_view statement) {
  return HoldsReachingByte(statement) &&
         (MayAffectOtherFiles(statement) || MayAssignVariables(statement));
}

bool MayAssignVariables(std::string_view text) {
  for (size_t at = text.find('$'); at != std::string_view::npos; at = text.find('$', at + 1)) {
    if (AssignmentFollows(text, at + 1)) return true;
  }
  return false;
}

}  // namespace quenloft_tool
