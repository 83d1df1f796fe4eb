// What libquenloft.so shows the world: exactly three symbols.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

#ifndef QUENLOFT_LIBRARY_FILE
#error "QUENLOFT_LIBRARY_FILE must name libquenloft.so"
#endif

bool HaveNm() { return system("command -v nm >/dev/null 2>&1") == 0; }

// The names of the defined dynamic symbols, sorted.
std::vector<std::string> DefinedDynamicSymbols(const std::string& file) {
  std::vector<std::string> names;
  const std::string command = "nm -D --defined-only '" + file + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char buffer[1024];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
    std::istringstream line(buffer);
    std::string field, last;
    while (line >> field) last = field;
    if (!last.empty()) names.push_back(last);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Exports, LibraryShowsExactlyTheThreeEntryPoints) {
  if (!HaveNm()) GTEST_SKIP() << "nm is not installed";
  const std::vector<std::string> expected = {
      "CreateTemplateManagerInstance",
      "CreateTemplateResolversInstance",
      "InitTemplateFilesToCache",
  };
  EXPECT_EQ(DefinedDynamicSymbols(QUENLOFT_LIBRARY_FILE), expected);
}

}  // namespace
