#include "settings.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace quenloft_tool {
std::string Trim(const std::string& text) {
  constexpr const char* kBlank = " \t";
  const size_t first = text.find_first_not_of(kBlank);
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(kBlank);
  return text.substr(first, last - first + 1);
}

std::optional<NamedValue> ParseAssignment(const std::string& text) {
  const size_t sign = text.find('=');
  if (sign == std::string::npos) return std::nullopt;
  std::string name = Trim(text.substr(0, sign));
  if (name.empty()) return std::nullopt;
  return NamedValue{std::move(name), text.substr(sign + 1)};
}

std::string SystemValueName(const std::string& name) {
  static const std::string kPrefix = "System.";
  if (name.compare(0, kPrefix.size(), kPrefix) == 0) return name;
  return kPrefix + name;
}

std::optional<std::vector<NamedValue>> ParseValueLines(const std::string& content,
                                                       const std::string& file_name,
                                                       bool allow_tab, std::string* error) {
  std::vector<NamedValue> values;
  std::istringstream lines(content);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    std::optional<NamedValue> value = ParseAssignment(line);
    if (!value && allow_tab) {
      const size_t tab = line.find('\t');
      if (tab != std::string::npos && !Trim(line.substr(0, tab)).empty()) {
        value = NamedValue{Trim(line.substr(0, tab)), line.substr(tab + 1)};
      }
    }
    if (!value) {
      if (error != nullptr) {
        *error = file_name + ":" + std::to_string(number) + ": expected NAME=VALUE" +
                 (allow_tab ? " or NAME<TAB>VALUE" : "") + ", got \"" + line + "\"";
      }
      return std::nullopt;
    }
    values.push_back(std::move(*value));
  }
  return values;
}

bool ReadSettingsFile(const std::string& path, std::string* content, std::string* error) {
  const auto refuse = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_type type = fs::status(path, ec).type();
  if (type != fs::file_type::regular && type != fs::file_type::fifo) {
    return ec ? refuse("cannot read " + path) : refuse(path + " is not a regular file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return refuse("cannot read " + path);
  // The size is counted as it is read: a pipe has none, and a file may grow.
  content->clear();
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    content->append(chunk, static_cast<size_t>(in.gcount()));
    if (content->size() > kValueFileLimit) {
      return refuse(path + " is larger than " + std::to_string(kValueFileLimit >> 20) + " MB");
    }
  }
  return true;
}

std::optional<std::vector<NamedValue>> ReadValueFile(const std::string& path, bool allow_tab,
                                                     std::string* error) {
  std::string content;
  if (!ReadSettingsFile(path, &content, error)) return std::nullopt;
  return ParseValueLines(content, path, allow_tab, error);
}

}  // namespace quenloft_tool
