// What libquenloft.so shows the world: exactly three symbols.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#ifndef QUENLOFT_LIBRARY_FILE
#error "QUENLOFT_LIBRARY_FILE must name libquenloft.so"
#endif

namespace {

TEST(Exports, LibraryShowsExactlyTheThreeEntryPoints) {
  if (system("command -v nm >/dev/null 2>&1") != 0) GTEST_SKIP() << "nm is not installed";
  const std::string command = std::string("nm -D --defined-only '") + QUENLOFT_LIBRARY_FILE + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<std::string> names;
  char buffer[1024];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
    std::istringstream line(buffer);
    std::string field, last;
    while (line >> field) last = field;
    if (!last.empty()) names.push_back(last);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"CreateTemplateManagerInstance",
                                             "CreateTemplateResolversInstance",
                                             "InitTemplateFilesToCache"}));
}

}  // namespace
