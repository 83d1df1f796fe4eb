// The host's diagnostics, as a host that answers ITplDiagnostics hears them
// while it patches a file: the planted mistakes of tests/data/diagnostics.txt,
// each checked for its code, severity, place and reason, and for leaving
// the Output messages and the patched text exactly as a host that does not
// answer sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quenloft/conventions.h"
#include "patching/statement_table.h"
#include "support/files.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

// The text patched as skin/index.htm with the built-in functions, the
// source folder given and System.Title set, under the session's host.
std::string Patch(ManagerSession& session, const std::string& text, const std::string& source) {
  session.Open(ManagerSession::BuiltIns::kAttached);
  session.manager->SetSystemValue("System.Title", "Help");
  session.manager->SetSystemValue("System.SourceFolderName", (source + "/").c_str());
  session.manager->SetSystemValue(kEvaluationLimitValue, "2");
  const std::string patched = session.Patch("skin/index.htm", text.c_str());
  session.Close();
  return patched;
}

TEST(Diagnostics, NameTheMistakeWhereItStandsAndChangeNothingElse) {
  // A row: the file's text, the diagnostics as the host records them (up
  // to " | "), a part of the first one's reason.
  const std::vector<quenloft_test::TableRow> rows =
      quenloft_test::ReadTable(QUENLOFT_TEST_DATA, "diagnostics.txt");
  EXPECT_GE(rows.size(), 15u);
  for (const quenloft_test::TableRow& row : rows) {
    SCOPED_TRACE(row.line.where);
    std::string expected, reason;
    for (const quenloft_test::TableLine& outcome : row.outcomes) {
      if (outcome.key == "why") reason = outcome.text;
      if (outcome.key == "D") expected += (expected.empty() ? "D " : "\nD ") + outcome.text;
    }
    ScratchFolder source;
    ManagerSession listening, deaf;
    listening.host.listens = true;
    const std::string& text = row.line.text;
    EXPECT_EQ(Patch(listening, text, source.path()), Patch(deaf, text, source.path()));
    const RecordingHost& heard = listening.host;
    EXPECT_EQ(heard.outputs, deaf.host.outputs);
    EXPECT_TRUE(deaf.host.seen.empty());
    EXPECT_EQ(heard.listener_count(), 1);  // every reference given back

    std::string recorded, first;
    for (size_t i = 0; i < heard.events.size(); ++i) {
      const std::string& event = heard.events[i];
      if (event[0] != 'D') continue;
      if (first.empty()) first = event;
      recorded += (recorded.empty() ? "" : "\n") + event.substr(0, event.find(" | "));
      // An error stands just before the message of the failure it explains.
      if (event.find(" error ") != std::string::npos) {
        ASSERT_LT(i + 1, heard.events.size()) << event;
        EXPECT_EQ(heard.events[i + 1].rfind("O " + std::string(kUnresolvedMacroPrefix), 0), 0u)
            << event;
      }
    }
    EXPECT_EQ(recorded, expected);
    if (heard.seen.empty()) continue;
    EXPECT_NE(first.find(reason), std::string::npos) << first;
    EXPECT_NE(first.find("@skin/index.htm"), std::string::npos) << first;
    EXPECT_EQ(heard.seen[0].size, sizeof(TplDiagnostic));
  }
}

}  // namespace
}  // namespace quenloft::testing
