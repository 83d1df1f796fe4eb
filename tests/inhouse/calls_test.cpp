// The in-house functions whose cases are "these arguments give this": the
// tables of tests/data/inhouse, one row a line,
//   CALL ARGUMENT... -> EXPECTED...   # comment
// A word is bare or quoted; quoted words know the escapes \" \\ \0 \t \r \n
// and \xHH, and a bare null stands for a null pointer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "CorvaskObjs/CvoString.h"
#include "CorvaskUtils/CorvaskUtils.h"
#include "TAVLOR/HtmlPack.h"
#include "support/files.h"
#include "quenloft/string_object.h"

namespace inhouse_test {
namespace {

using Word = std::optional<std::string>;
using Words = std::vector<Word>;
using Strings = std::vector<std::string>;

// The words of a line, up to a bare "#".
Words Split(const std::string& line) {
  Words words;
  for (size_t i = line.find_first_not_of(' '); i < line.size() && line[i] != '#';
       i = line.find_first_not_of(' ', i)) {
    if (line[i] != '"') {
      const std::string word = line.substr(i, line.find(' ', i) - i);
      words.push_back(word == "null" ? Word() : word);
      i += word.size();
      continue;
    }
    std::string word;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] != '\\') {
        word += line[i];
      } else if (line[++i] == 'x') {
        word += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        static const std::string kFrom = "0trn", kTo("\0\t\r\n", 4);
        const size_t at = kFrom.find(line[i]);
        word += at == std::string::npos ? line[i] : kTo[at];
      }
    }
    words.push_back(word);
    ++i;
  }
  return words;
}

const char* C(const Word& w) { return w ? w->c_str() : nullptr; }
int32_t Int(const Word& w) { return std::stoi(*w); }
std::string Sign(int v) { return std::to_string(v < 0 ? -1 : v > 0 ? 1 : 0); }

// An edit of a string object holding the first argument: its result and
// every byte of the content, which is followed by a zero byte.
Strings Edit(const Words& a, const std::function<int32_t(ICvoString*)>& edit) {
  quenloft::Text s;
  s.get()->SetBytes(a[0]->data(), static_cast<int32_t>(a[0]->size()));
  const std::string result = std::to_string(edit(s));
  const char* bytes = nullptr;
  int32_t n = -1;
  const bool whole =
      s.get()->GetBytes(&bytes, &n) == 0 && bytes[n] == '\0' && s.get()->GetLength() == n;
  return {result, whole ? std::string(bytes, static_cast<size_t>(n)) : "not terminated"};
}

// A call whose row expects one value, and an edit of a string object.
#define CALL(name, value) {#name, [](const Words& a) -> Strings { return {value}; }}
#define EDIT(name, call) \
  {#name, [](const Words& a) { return Edit(a, [&](ICvoString* s) { return s->call; }); }}

const std::map<std::string, std::function<Strings(const Words&)>> kCalls = {
    CALL(IsFullPathName, Sign(IsFullPathName(C(a[0])))),
    CALL(PathStartsWithNoCase, Sign(PathStartsWithNoCase(C(a[0]), C(a[1])))),
    CALL(ExcludeFolder, ExcludeFolder(C(a[0]), C(a[1]))),
    CALL(DeQuote, DeQuote(C(a[0]), C(a[1]), C(a[2]))),
    CALL(ToLowerAscii, ToLowerAscii(C(a[0]))),
    CALL(CompareNoCaseAscii, Sign(CompareNoCaseAscii(C(a[0]), C(a[1])))),
    CALL(IsLeftoverTempFileName, Sign(IsLeftoverTempFileName(C(a[0])))),
    {"PathEqualNoCase",  // both ways round; "=" when the hash codes are equal
     [](const Words& a) -> Strings {
       const bool equal = PathEqualNoCase(C(a[0]), C(a[1]));
       if (equal != PathEqualNoCase(C(a[1]), C(a[0]))) return {"not symmetric"};
       return {Sign(equal) + (FileNameHashCode(C(a[0])) == FileNameHashCode(C(a[1])) ? "=" : "")};
     }},
    // The parts from SplitPathName, the same as from GetSplit*.
    {"SplitPathName",
     [](const Words& a) -> Strings {
       std::string folder = "?", name = "?", extension = "?";
       SplitPathName(C(a[0]), &folder, &name, &extension);
       const std::string parts = folder + "|" + name + "|" + extension;
       const std::string split = GetSplitDirName(C(a[0])) + "|" + GetSplitFileName(C(a[0])) + "|" +
                                 GetSplitExtName(C(a[0]));
       return {parts == split ? parts : parts + " but " + split};
     }},
    EDIT(SetText, SetText(C(a[1]))),
    EDIT(AppendText, AppendText(C(a[1]))),
    EDIT(SetBytes, SetBytes(a[1] ? a[1]->data() : nullptr, Int(a[2]))),
    EDIT(AppendBytes, AppendBytes(a[1]->data(), Int(a[2]))),
    EDIT(MakeLower, MakeLower()),
    EDIT(Trim, Trim()),
    EDIT(Left, Left(Int(a[1]))),
    EDIT(Mid, Mid(Int(a[1]), Int(a[2]))),
    {"Replace",
     [](const Words& a) {
       int32_t count = -1;
       Strings out = Edit(a, [&](ICvoString* s) { return s->Replace(C(a[1]), C(a[2]), &count); });
       out.push_back(std::to_string(count));
       return out;
     }},
    {"Compare",
     [](const Words& a) -> Strings {
       const quenloft::Text s(*a[0]);
       int32_t result = 99, no_case = 99;
       const std::string codes = std::to_string(s.get()->Compare(C(a[1]), &result)) +
                                 std::to_string(s.get()->CompareNoCase(C(a[1]), &no_case)) +
                                 std::to_string(s.get()->Compare(C(a[1]), nullptr));
       return {codes, Sign(result), Sign(no_case)};
     }},
    {"Find",
     [](const Words& a) -> Strings {
       int32_t position = -2;
       const int32_t result = quenloft::Text(*a[0]).get()->Find(C(a[1]), Int(a[2]), &position);
       return {std::to_string(result), std::to_string(position)};
     }},
    CALL(HtmlToText, CHtmlPack::HtmlToText(C(a[0]))),
    CALL(TextToHtml, CHtmlPack::TextToHtml(C(a[0]))),
    {"ColorNameToColor",
     [](const Words& a) -> Strings {
       uint32_t color = 7;
       const int result = ColorNameToColor(C(a[0]), &color);
       std::ostringstream hex;
       hex << std::hex << color;
       return {std::to_string(result), hex.str()};
     }},
};

TEST(InhouseCalls, EveryRowOfTheTables) {
  std::vector<std::string> folders = {QUENLOFT_TEST_DATA "/inhouse"}, tables;
#ifdef _WIN32
  folders.push_back(QUENLOFT_TEST_DATA "/inhouse/windows");  // HtmlToText without libxml2
#endif
  for (const std::string& folder : folders) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.is_regular_file()) tables.push_back(entry.path().generic_string());
    }
  }
  int rows = 0;
  for (const std::string& table : tables) {
    std::istringstream lines(quenloft::testing::ReadFile(table));
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
      ++number;
      const Words words = Split(line);
      if (words.empty()) continue;
      SCOPED_TRACE(table + ":" + std::to_string(number));
      const auto arrow = std::find(words.begin(), words.end(), Word("->"));
      const auto call = kCalls.find(words[0].value_or(""));
      ASSERT_TRUE(arrow != words.end() && call != kCalls.end()) << line;
      Strings expected;
      for (auto it = arrow + 1; it != words.end(); ++it) expected.push_back(it->value_or("null"));
      EXPECT_EQ(call->second(Words(words.begin() + 1, arrow)), expected);
      ++rows;
    }
  }
  EXPECT_GE(rows, 100);
}

}  // namespace
}  // namespace inhouse_test
