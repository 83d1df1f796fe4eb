// The host's diagnostics, as a host that answers ITplDiagnostics hears them
// while it patches a file: one planted mistake per row, checked for its
// code, severity, place and reason, and for leaving the Output messages
// and the patched text exactly as a host that does not answer sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quenloft/conventions.h"
#include "support/diagnosed_host.h"
#include "support/files.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

struct Row {
  const char* text;      // the file's text; markers <!--%...%-->
  const char* expected;  // the diagnostics as the host records them, up to " | ", one a line
  const char* reason;    // a part of the first one's reason
};

const Row kRows[] = {
    {"<p>\n <!--%Concat('a', Concat('b', 'c'))%-->",
     "D 2:25 warning nested-call Concat('a', Concat('b', 'c'))", "not nest"},
    {"<!--%Concat('a, 'b')%-->", "D 1:19 warning unbalanced-quote Concat('a, 'b')", "never closed"},
    {"<!--%Concat('a', 'b'%-->", "D 1:12 warning unbalanced-parenthesis Concat('a', 'b'",
     "no partner"},
    {"x\ny\n<!--%System.Titel%-->", "D 3:6 warning unknown-system-key System.Titel",
     "did you mean 'System.Title'?"},
    {"<!--%NameToColor('dark-blue')%-->", "D 1:6 warning unknown-color NameToColor('dark-blue')",
     "'darkblue'"},
    {"<!--%LoadFromFile('no-such-file.txt', 'source')%-->",
     "D 1:6 warning file-not-found LoadFromFile('no-such-file.txt', 'source')", "no-such-file.txt"},
    {"<!--%Transform('<a>', '<x/>')%-->", "D 1:6 warning transform-failed Transform('<a>', '<x/>')",
     "the XML document: "},
    {"<!--%concat('a')%-->", "D 1:6 error unknown-name concat('a')",
     "unknown name 'concat'; did you mean 'Concat'?"},
    {"<!--%Concat('a', Titel)%-->", "D 1:18 error unknown-name Titel", "unknown name 'Titel'"},
    {"<!--%Replace('abc', 'b')%-->", "D 1:6 error argument-count Replace('abc', 'b')",
     "Replace takes an odd number, at least 3 arguments, not 2"},
    {"<!--%a = 1%-->", "D 1:10 error unquoted-literal a = 1", "literals need quotes"},
    {"<!--%total$$%-->", "D 1:6 error unset-variable total$$", "read before it is set"},
    // Lines are counted on from the last diagnostic.
    {"<!--%Nope1%-->\n\n\r\n  <!--%Concat(Nope2)%--><!--%Nope3%-->",
     "D 1:6 error unknown-name Nope1\nD 4:15 error unknown-name Nope2\n"
     "D 4:30 error unknown-name Nope3",
     "unknown name 'Nope1'"},
    // Past the limit the statement's calls all fail; one diagnostic says why.
    {"<!--%Concat(System.Title, System.Title, System.Title)%-->",
     "D 1:13 error evaluation-limit System.Title", "used up its 2 evaluations"},
    // Correct, with parentheses and commas quoted or escaped, and a call
    // without commas as an argument: nothing.
    {"<!--%Concat('(a, b', IsEmpty(''), 'it\\'s)')%--> <!--%System.Title%-->\n"
     "<!--%x = 'y'; x%--> <!--%Replace('a)', ')', '(')%-->",
     "", ""},
};

// Patches text as skin/index.htm with the built-in functions, the source
// folder given and System.Title set, under host; the patched text.
std::string Patch(DiagnosedHost& host, const std::string& text, const std::string& source) {
  ComPtr<ITplManager> manager;
  EXPECT_EQ(CreateTemplateManagerInstance(manager.put()), 0);
  const auto copier = manager.query<ITplFileCopier>();
  const auto services = manager.query<ITplMacroServices>();
  EXPECT_EQ(copier->Initialize(&host), 0);
  ComPtr<ITplResolverSet> set;
  EXPECT_EQ(CreateTemplateResolversInstance(set.put()), 0);
  set->SetManager(manager.get());
  set->Initialize();
  manager->SetSystemValue("System.Title", "Help");
  manager->SetSystemValue("System.SourceFolderName", (source + "/").c_str());
  manager->SetSystemValue(kEvaluationLimitValue, "2");
  ComPtr<ITplPatchedFile> file;
  services->CreatePatchedFile(file.put());
  file->SetFileName("skin/index.htm");
  file->SetText(text.c_str());
  Text patched;
  file->Patch(patched);
  file.reset();
  set->Uninitialize();
  set.reset();
  copier->Terminate();
  return patched.text();
}

class Diagnostics : public ::testing::TestWithParam<Row> {};

TEST_P(Diagnostics, NameTheMistakeWhereItStandsAndChangeNothingElse) {
  const Row& row = GetParam();
  ScratchFolder source;
  DiagnosedHost listening(true), deaf(false);
  const std::string heard = Patch(listening, row.text, source.path());
  EXPECT_EQ(heard, Patch(deaf, row.text, source.path()));
  EXPECT_EQ(listening.outputs, deaf.outputs);
  EXPECT_TRUE(deaf.seen.empty());
  EXPECT_EQ(listening.listener_count(), 1);  // every reference given back

  std::vector<std::string> diagnostics;
  for (size_t i = 0; i < listening.events.size(); ++i) {
    const std::string& event = listening.events[i];
    if (event[0] != 'D') continue;
    diagnostics.push_back(event);
    // An error stands just before the message of the failure it explains.
    if (event.find(" error ") != std::string::npos) {
      ASSERT_LT(i + 1, listening.events.size()) << event;
      EXPECT_EQ(listening.events[i + 1].rfind("O " + std::string(kUnresolvedMacroPrefix), 0), 0u)
          << event;
    }
  }
  std::string recorded;
  for (const std::string& d : diagnostics) {
    recorded += (recorded.empty() ? "" : "\n") + d.substr(0, d.find(" | "));
  }
  ASSERT_EQ(recorded, row.expected);
  if (diagnostics.empty()) return;
  EXPECT_NE(diagnostics[0].find(row.reason), std::string::npos) << diagnostics[0];
  EXPECT_NE(diagnostics[0].find("@skin/index.htm"), std::string::npos) << diagnostics[0];
  EXPECT_EQ(listening.seen[0].size, sizeof(TplDiagnostic));
}

INSTANTIATE_TEST_SUITE_P(PlantedMistakes, Diagnostics, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace quenloft::testing
