// The values a run hands to the manager: system values (--set, --values)
// and global variables (--var, --vars), parsed and checked before any
// library object is made.
#ifndef QUENLOFT_TOOL_SETTINGS_H
#define QUENLOFT_TOOL_SETTINGS_H

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quenloft_tool {

using NamedValue = std::pair<std::string, std::string>;

// The text without the blanks and tabs around it.
std::string Trim(const std::string& text);

// "NAME=VALUE" split at the first "="; nullopt when there is no "=" or the
// name (trimmed) is empty. The value is kept as written.
std::optional<NamedValue> ParseAssignment(const std::string& text);

// A system value name with the "System." prefix added when it is missing.
std::string SystemValueName(const std::string& name);

// Lines of a values or variables file. Blank lines and lines whose first
// non-blank character is "#" are skipped; a line ending in "\r" loses it.
// With allow_tab, a line without "=" may separate name and value with a
// tab. A bad line sets *error to "FILE:LINE: ..." and gives nullopt.
std::optional<std::vector<NamedValue>> ParseValueLines(const std::string& content,
                                                       const std::string& file_name,
                                                       bool allow_tab, std::string* error);

// The largest values or variables file read: anything larger is surely not
// one, and reading it would only fill the memory.
inline constexpr size_t kValueFileLimit = size_t{16} << 20;

// Reads a whole settings file into *content; false with *error when it
// cannot be read, is larger than kValueFileLimit or is neither a regular
// file nor a pipe (a device such as /dev/zero never ends).
bool ReadSettingsFile(const std::string& path, std::string* content, std::string* error);

// Reads (as ReadSettingsFile) and parses a file.
std::optional<std::vector<NamedValue>> ReadValueFile(const std::string& path, bool allow_tab,
                                                     std::string* error);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SETTINGS_H
