// The fast paths and the straightforward path, side by side: every script
// gives the same journal of host calls and the same output on both.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "patching/fast_path_differential.h"
#include "patching/statement_table.h"
#include "support/files.h"

namespace quenloft::differential {
namespace {

// The scripts of the table agree, and each composition hands the host what
// the table says.
TEST(FastPathDifferential, TabledScriptsAgree) {
  const auto rows = quenloft_test::ReadTable(QUENLOFT_TEST_DATA, "fast_path_scripts.txt");
  ASSERT_FALSE(rows.empty());
  for (const quenloft_test::TableRow& row : rows) {
    SCOPED_TRACE(row.line.where);
    Script script;
    std::istringstream fields(row.line.text);
    fields >> script.file_name >> script.change >> script.evaluation_limit >>
        script.value_size_limit >> script.stop_after;
    std::getline(fields >> std::ws, script.text);
    ASSERT_TRUE(row.line.key == "script" && fields &&
                row.outcomes.size() == (script.change != 0 ? 2u : 1u));
    EXPECT_EQ(Disagreement(script), "");
    const std::string journal = RunScript(script, EvaluationPath::kFast);
    const char* const tags[] = {"patched", "patched again"};
    for (size_t i = 0; i < row.outcomes.size(); ++i) {
      EXPECT_NE(journal.find(tags[i] + std::string(" SetText <") + row.outcomes[i].text + ">\n"),
                std::string::npos)
          << journal;
    }
  }
}

// Generated scripts: every kind of statement in every file type, patched
// once or twice, also on disk through PatchFile.
TEST(FastPathDifferential, GeneratedScriptsAgree) {
  quenloft::testing::ScratchFolder folder;
  ASSERT_FALSE(folder.path().empty());
  std::mt19937 random(20261207);
  const Choose choose = [&](uint32_t count) {
    return std::uniform_int_distribution<uint32_t>(0, count - 1)(random);
  };
  for (int i = 0; i < 500; ++i) {
    const Script script = MakeScript(choose);
    const std::string disk = i % 10 == 0 ? folder.path() + "/" + script.file_name : "";
    ASSERT_EQ(Disagreement(script, disk), "") << "script " << i;
  }
}

}  // namespace
}  // namespace quenloft::differential
