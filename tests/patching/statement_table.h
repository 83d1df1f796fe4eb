// The reader of the statement table (tests/data/statements; the format is
// described at the top of statements.txt): rows of a keyword and a text,
// each followed by the outcome lines that belong to it.
#ifndef QUENLOFT_TESTS_PATCHING_STATEMENT_TABLE_H
#define QUENLOFT_TESTS_PATCHING_STATEMENT_TABLE_H

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quenloft_test {

struct TableLine {
  std::string where;  // "file:line", for failure messages
  std::string key;
  std::string text;  // escapes removed
};

struct TableRow {
  TableLine line;
  std::vector<TableLine> outcomes;
};

// "^" and the byte after it stand for one byte.
inline std::string Unescape(std::string_view text) {
  constexpr std::string_view kLetters = "tnrvf0s^";
  constexpr std::string_view kBytes{"\t\n\r\v\f\0 ^", 8};
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t at = text[i] == '^' && i + 1 < text.size() ? kLetters.find(text[i + 1])
                                                           : std::string_view::npos;
    out += at == std::string_view::npos ? text[i] : kBytes[at];
    if (at != std::string_view::npos) ++i;
  }
  return out;
}

// The text before the first separator and the text after it.
inline std::pair<std::string, std::string> Split(const std::string& text, char separator) {
  const size_t at = text.find(separator);
  if (at == std::string::npos) return {text, ""};
  return {text.substr(0, at), text.substr(at + 1)};
}

// The rows of folder/name; none when the file cannot be read. An outcome
// line before the first row is a row of its own, which no runner knows.
inline std::vector<TableRow> ReadTable(const std::string& folder, const std::string& name) {
  constexpr std::string_view kOutcomes[] = {"=",    "unchanged", "code",      "out",   "file",
                                            "nofile", "refs",    "conflicts", "calls", "uninit",
                                            "D",      "why"};
  std::vector<TableRow> rows;
  std::ifstream in(folder + "/" + name, std::ios::binary);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    if (line.size() > 500 || line.find('\t') != std::string::npos || line.back() == ' ') {
      ADD_FAILURE() << name << ":" << number << ": longer than 500 bytes, a tab or a final space";
    }
    const size_t space = line.find(' ');
    TableLine entry{name + ":" + std::to_string(number), line.substr(0, space),
                    space == std::string::npos ? "" : Unescape(line.substr(space + 1))};
    bool outcome = false;
    for (std::string_view key : kOutcomes) outcome = outcome || entry.key == key;
    if (outcome && !rows.empty()) {
      rows.back().outcomes.push_back(std::move(entry));
    } else {
      rows.push_back({std::move(entry), {}});
    }
  }
  return rows;
}

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_PATCHING_STATEMENT_TABLE_H
