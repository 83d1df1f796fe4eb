// The host's diagnostics, as a host that answers ITplDiagnostics hears them
// while it patches a file: one planted mistake per row, checked for its
// code, severity, place and reason, and for leaving the Output messages
// and the patched text exactly as a host that does not answer sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quenloft/conventions.h"
#include "support/files.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

// Records Output and Report calls in one list, "O <text>" and
// "D <line>:<column> <severity> <code> <statement> | <reason>", so that
// the rows can check their order.
class DiagnosedHost : public RecordingHost {
 public:
  explicit DiagnosedHost(bool answers) : answers_(answers) {}

  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (answers_ && out != nullptr && iid == IID_ITplDiagnostics) {
      listener_.AddRef();
      *out = static_cast<ITplDiagnostics*>(&listener_);
      return 0;
    }
    return RecordingHost::QueryInterface(iid, out);
  }
  int32_t QL_CALL Output(const char* text) override {
    events.push_back("O " + std::string(text));
    return RecordingHost::Output(text);
  }

  std::vector<std::string> events;
  std::vector<TplDiagnostic> seen;  // strings dropped: they are borrowed
  int32_t listener_count() const { return listener_.count(); }

 private:
  class Listener final : public SelfCounted<ITplDiagnostics> {
   public:
    explicit Listener(DiagnosedHost& host) : host_(host) {}
    int32_t QL_CALL Report(const TplDiagnostic* d) override {
      host_.events.push_back("D " + std::to_string(d->line) + ":" + std::to_string(d->column) +
                             (d->severity == TPL_DIAGNOSTIC_ERROR ? " error " : " warning ") +
                             d->code + " " + d->statement + " | " + d->reason + " @" + d->file);
      host_.seen.push_back(*d);
      return 0;
    }

   private:
    DiagnosedHost& host_;
  };

  bool answers_;
  Listener listener_{*this};
};

struct Row {
  const char* text;       // the file's text; markers <!--%...%-->
  const char* expected;   // the one diagnostic, as the host records it, up to " | "
  const char* reason;     // a part of its reason
};

const Row kRows[] = {
    {"<p>\n <!--%Concat('a', Concat('b', 'c'))%-->", "D 2:25 warning nested-call", "not nest"},
    {"<!--%Concat('a, 'b')%-->", "D 1:19 warning unbalanced-quote", "never closed"},
    {"<!--%Concat('a', 'b'%-->", "D 1:12 warning unbalanced-parenthesis", "no partner"},
    {"x\ny\n<!--%System.Titel%-->", "D 3:6 warning unknown-system-key System.Titel",
     "did you mean 'System.Title'?"},
    {"<!--%NameToColor('dark-blue')%-->", "D 1:6 warning unknown-color", "'darkblue'"},
    {"<!--%LoadFromFile('no-such-file.txt', 'source')%-->", "D 1:6 warning file-not-found",
     "no-such-file.txt"},
    {"<!--%Transform('<a>', '<x/>')%-->", "D 1:6 warning transform-failed",
     "the XML document: "},
    {"<!--%concat('a')%-->", "D 1:6 error unknown-name concat('a')",
     "unknown name 'concat'; did you mean 'Concat'?"},
    {"<!--%Concat('a', Titel)%-->", "D 1:18 error unknown-name Titel", "unknown name 'Titel'"},
    {"<!--%Replace('abc', 'b')%-->", "D 1:6 error argument-count",
     "Replace takes an odd number, at least 3 arguments, not 2"},
    {"<!--%a = 1%-->", "D 1:10 error unquoted-literal a = 1", "literals need quotes"},
    {"<!--%total$$%-->", "D 1:6 error unset-variable total$$", "read before it is set"},
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
  if (*row.expected == '\0') {
    EXPECT_TRUE(diagnostics.empty()) << diagnostics[0];
    return;
  }
  ASSERT_EQ(diagnostics.size(), 1u) << diagnostics[0] << "\n" << diagnostics.back();
  EXPECT_EQ(diagnostics[0].rfind(row.expected, 0), 0u) << diagnostics[0];
  EXPECT_NE(diagnostics[0].find(row.reason), std::string::npos) << diagnostics[0];
  EXPECT_NE(diagnostics[0].find("@skin/index.htm"), std::string::npos) << diagnostics[0];
  EXPECT_EQ(listening.seen[0].size, sizeof(TplDiagnostic));
}

INSTANTIATE_TEST_SUITE_P(PlantedMistakes, Diagnostics, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace quenloft::testing
