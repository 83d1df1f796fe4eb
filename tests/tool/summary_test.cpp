#include "summary.h"

#include <gtest/gtest.h>

namespace quenloft_tool {
namespace {

TEST(ToolSummary, LineAndJson) {
  BuildSummary s;
  s.skin = "/skin/";
  s.output = "/out \"x\"/";
  s.files_copied = 1;
  s.files_patched = 2;
  s.unresolved_macros = 1;
  s.failures = 0;
  s.milliseconds = 3.25;
  EXPECT_EQ(FormatSummaryLine(s),
            "1 file copied, 2 patched, 1 unresolved macro, 0 failures in 3.2 ms -> /out \"x\"/");
  s.interrupted = true;
  s.exit_code = 130;
  EXPECT_EQ(FormatSummaryJson(s),
            "{\"skin\":\"/skin/\",\"output\":\"/out \\\"x\\\"/\",\"files_copied\":1,"
            "\"files_patched\":2,\"unresolved_macros\":1,\"failures\":0,\"milliseconds\":3.2,"
            "\"interrupted\":true,\"exit_code\":130}");
  EXPECT_NE(FormatSummaryLine(s).find("(interrupted)"), std::string::npos);
}

TEST(ToolSummary, JsonStringEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "\"plain\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"l1\r\nl2\t", "\"l1\\r\\nl2\\t\""},
      {std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},  // UTF-8 passes through
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json);
}

}  // namespace
}  // namespace quenloft_tool
