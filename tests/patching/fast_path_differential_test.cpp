// The fast paths and the straightforward path, side by side: every script
// gives the same journal of host calls and the same output on both.
#include <gtest/gtest.h>

#include <random>

#include "support/files.h"
#include "patching/fast_path_differential.h"

namespace quenloft::differential {
namespace {

// Both paths agree on the script, and its compositions give what is
// expected ("" for a second composition that is not made).
void ExpectAgreement(const Script& script, const std::string& patched, const std::string& again) {
  EXPECT_EQ(Disagreement(script), "");
  const std::string journal = RunScript(script, EvaluationPath::kFast);
  EXPECT_NE(journal.find("patched SetText <" + patched + ">\n"), std::string::npos) << journal;
  if (script.change != 0) {
    EXPECT_NE(journal.find("patched again SetText <" + again + ">\n"), std::string::npos)
        << journal;
  }
}

// Scripts chosen for what they exercise, and what the host is told (the
// outputs are in the journals, so a case that tests nothing shows here).
TEST(FastPathDifferential, ChosenScriptsAgree) {
  const struct {
    const char* file;
    const char* text;
    uint32_t change;
    const char* patched;  // what the first composition gives
    const char* again;    // and the second, if any
  } cases[] = {
      // Variables of the manager, the file and the expression.
      {"page.htm", "<!--%gone$$%--> <!--%file1$ = 'F'%--><!--%file1$%--> <!--%expr1 = 'E'; expr1%-->",
       0, "one F E", ""},
      // Literals and escapes; markers too short to parse, and one without
      // statements.
      {"a.txt", "%%%'a\\'b'%%% %%%\"dq\"%%%%%%abc%%%[%%%  ;  %%%]%%%'50\\%'%%%", 0,
       "a'b %%%\"dq\"%%%%%%abc%%%[]50%", ""},
      // Nobody's name; names the host refuses, answers, answers without a
      // result, and answers looking at the expression around the call.
      {"page.htm", "<!--%nobody%-->|<!--%hostr%-->|<!--%hostv(gone$$)%-->|<!--%hostn%-->|<!--%hostc%-->",
       0, "<!--%nobody%-->|<!--%hostr%-->|{gone$$}|hostn|ctx", ""},
      // The host assigns in the expression's and the file's scopes, and
      // re-enters the manager.
      {"page.htm", "<!--%hosts; hostsv%--><!--%hostsf$%--><!--%hostx%-->", 0, "hostsefone", ""},
      // A call keeps its last result: a removed variable's statement
      // resolves without one, and a name the host takes over is answered
      // without one.
      {"page.htm", "<!--%gone$$%-->,<!--%gtwo$$%-->", 1, "one,two \\% three",
       "one,two \\% three"},
      {"page.htm", "<!--%gone$$%-->,<!--%gtwo$$%-->", 3, "one,two \\% three",
       "<!--%gone$$%-->,two \\% three"},
      {"style.css", "/*%Concat(gone$$, 'x')%*/ /*% gquote$$ %*/", 2, "onex it's <b>",
       "unox it's <b>"},
      // Functions that evaluate text of their own.
      {"setup.ini", ";%ReplaceMacroExpr('gone$$; hostv(1)')%;;%MacroExist(nobody)%;", 4,
       "one{1}false", "one{1}false"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Script script;
    script.file_name = c.file;
    script.text = c.text;
    script.change = c.change;
    ExpectAgreement(script, c.patched, c.again);
  }
}

// The bounds of the work hold on both paths alike: a statement past its
// evaluations, a value past its size and a host that asks to stop.
TEST(FastPathDifferential, BoundedScriptsAgree) {
  const struct {
    const char* text;
    uint32_t evaluation_limit, value_size_limit, stop_after;
    const char* patched;
  } cases[] = {
      {"<!--%Concat(gone$$, gtwo$$, 'x')%-->|<!--%gone$$%-->", 2, 0, 0,
       "onegtwo$$x|one"},
      {"<!--%Concat(gone$$, 'x')%-->|<!--%Concat(gone$$, gone$$, gone$$)%-->", 0, 6, 0,
       "onex|<!--%Concat(gone$$, gone$$, gone$$)%-->"},
      {"<!--%gone$$%-->|<!--%gtwo$$; gone$$%-->|<!--%gquote$$%-->", 0, 0, 2,
       "one|<!--%gtwo$$; gone$$%-->|<!--%gquote$$%-->"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Script script;
    script.file_name = "page.htm";
    script.text = c.text;
    script.evaluation_limit = c.evaluation_limit;
    script.value_size_limit = c.value_size_limit;
    script.stop_after = c.stop_after;
    ExpectAgreement(script, c.patched, "");
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
