// End-to-end tests of the quenloft binary: the sample skin against its
// golden output, eval and check, exit codes, bad arguments and Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "tool/run_tool.h"

namespace tool_test {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = QUENLOFT_SOURCE_DIR;
const fs::path kSampleSkin = kSourceDir / "examples/skins/default";
const fs::path kGolden = kSourceDir / "tests/data/sample-skin-golden";

// The values the golden output was made with.
std::vector<std::string> GoldenValues() {
  return {"--set", "Title=Sample help", "--set", "Accent=teal",
          "--set", "TopicCount=3",      "--set", "Edition=2nd-ed",
          "--set", "ShowIndex=yes",     "--var", "company$$=Example & Co"};
}

std::vector<std::string> Args(std::initializer_list<std::string> head,
                              const std::vector<std::string>& tail = {}) {
  std::vector<std::string> args(head);
  args.insert(args.end(), tail.begin(), tail.end());
  return args;
}

void ExpectSameTree(const fs::path& expected, const fs::path& actual) {
  const std::vector<std::string> names = ListFiles(expected);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names, ListFiles(actual));
  for (const std::string& name : names) {
    EXPECT_EQ(ReadFile(expected / name), ReadFile(actual / name)) << name;
  }
}

TEST(ToolBuild, SampleSkinMatchesGoldenOutput) {
  // The stock skin beside the library (no SKIN argument) and the sample skin
  // named by its source folder give the same output.
  for (const std::string& skin : {std::string(), kSampleSkin.string()}) {
    SCOPED_TRACE(skin.empty() ? "stock skin" : skin);
    TempFolder out;
    std::vector<std::string> args = {"build"};
    if (!skin.empty()) args.push_back(skin);
    args.insert(args.end(), {"-o", out.str(), "--strict"});
    const auto values = GoldenValues();
    args.insert(args.end(), values.begin(), values.end());
    const ToolRun run = RunTool(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // Without a terminal, progress is a line of dots: one per percent.
    EXPECT_EQ(run.err, std::string(100, '.') + "\n");
    EXPECT_NE(run.out.find("11 files copied, 10 patched, 0 unresolved macros, 0 failures"),
              std::string::npos)
        << run.out;
    ExpectSameTree(kGolden, out.path());
  }
}

TEST(ToolBuild, FolderValuesEndWithASeparator) {
  TempFolder work;
  const fs::path skin = work.path() / "skin";
  WriteFile(skin / "f.htm",
            "<!--%System.SourceFolderName%-->|<!--%System.ResultFolderName%-->|"
            "<!--%System.RootFolderName%-->");
  const std::string s = skin.string() + "/";
  const std::string out = (work.path() / "site/part").string() + "/";
  const std::string site = (work.path() / "site").string() + "/";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"build", skin.string(), "-o", out}, s + "|" + out + "|" + out},
      {{"build", skin.string(), "-o", out, "--root", work.str() + "/site/part/.."},
       s + "|" + out + "|" + site},
      {{"build", skin.string(), "-o", out, "--set", "RootFolderName=R"}, s + "|" + out + "|R"},
  };
  for (const auto& [args, expected] : cases) {
    const ToolRun run = RunTool(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(ReadFile(fs::path(out) / "f.htm"), expected);
  }
}

TEST(ToolBuild, JsonSummaryParsesBack) {
  TempFolder skin;
  WriteFile(skin.path() / "a.htm", "<!--%Concat('x', 'y')%--> <!--%Nope(1)%-->");
  WriteFile(skin.path() / "b.txt", "%%%Concat('t')%%%");
  WriteFile(skin.path() / "c.bin", "raw");
  TempFolder out;
  const ToolRun run = RunTool({"build", skin.str(), "-o", out.str(), "--json", "--patch", "*.txt"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::regex shape(
      R"re(^\{"skin":"[^"]+","output":"[^"]+","files_copied":(\d+),"files_patched":(\d+),)re"
      R"re("unresolved_macros":(\d+),"failures":(\d+),"milliseconds":[0-9.]+,)re"
      R"re("interrupted":(true|false),"exit_code":(\d+)\}\n$)re");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(run.out, m, shape)) << run.out;
  EXPECT_EQ(m[1], "3");
  EXPECT_EQ(m[2], "2");
  EXPECT_EQ(m[3], "1");
  EXPECT_EQ(m[4], "0");
  EXPECT_EQ(m[5], "false");
  EXPECT_EQ(m[6], "0");
  EXPECT_EQ(ReadFile(out.path() / "a.htm"), "xy <!--%Nope(1)%-->");
  EXPECT_EQ(ReadFile(out.path() / "b.txt"), "t");
  EXPECT_EQ(ReadFile(out.path() / "c.bin"), "raw");
}

struct EvalCase {
  std::vector<std::string> args;
  int exit_code;
  std::string out;
  std::string err_part;
};

TEST(ToolEval, ValuesAndExitCodes) {
  const EvalCase cases[] = {
      {{"Concat('a', 'b')"}, 0, "ab\n", ""},
      {{"x = 'World'; Concat('Hello, ', x)"}, 0, "Hello, World\n", ""},
      {{"System.Title", "--set", "Title=T"}, 0, "T\n", ""},
      {{"System.Title", "--set", "System.Title=U"}, 0, "U\n", ""},
      {{"Concat(who$$, '!')", "--var", "who$$=Bob"}, 0, "Bob!\n", ""},
      {{"IsTrue(' Yes ')"}, 0, "true\n", ""},
      {{"NoSuch(1)"}, 1, "", "Template Error: can not resolve macro: NoSuch(1)"},
      {{"System.Unset"}, 1, "", "can not resolve: System.Unset"},
      {{"abc"}, 1, "", "shorter than 5 bytes"},
      {{"Concat('a')", "--set", "Title"}, 2, "", "bad --set \"Title\""},
      {{"Concat('a')", "--var", "=x"}, 2, "", "bad --var \"=x\""},
  };
  for (const EvalCase& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const ToolRun run = RunTool(Args({"eval"}, c.args));
    EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.err_part), std::string::npos) << run.err;
  }
}

TEST(ToolEval, ValuesAndVariablesFromFiles) {
  TempFolder work;
  const std::string values = (work.path() / "system.values").string();
  const std::string vars = (work.path() / "globals.vars").string();
  WriteFile(values, "# folder of the help project\nTitle=From file\nSystem.Edition=2\n");
  WriteFile(vars, "who$$\tAnn Lee\nwhat$$=a=b\n");
  const ToolRun run =
      RunTool({"eval", "Concat(System.Title, '/', System.Edition, '/', who$$, '/', what$$)",
               "--values", values, "--vars", vars});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "From file/2/Ann Lee/a=b\n");
  // --set comes after --values and wins.
  const ToolRun over =
      RunTool({"eval", "Concat(System.Title)", "--values", values, "--set", "Title=From option"});
  EXPECT_EQ(over.out, "From option\n");
}

TEST(ToolEval, JsonOutput) {
  const ToolRun ok = RunTool({"eval", "--json", "Concat('a\"', 'b')"});
  EXPECT_EQ(ok.exit_code, 0);
  EXPECT_EQ(ok.out,
            "{\"expression\":\"Concat('a\\\"', 'b')\",\"resolved\":true,\"value\":\"a\\\"b\","
            "\"messages\":[]}\n");
  const ToolRun bad = RunTool({"eval", "--json", "Nope(1)"});
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_NE(bad.out.find("\"resolved\":false"), std::string::npos) << bad.out;
  EXPECT_NE(bad.out.find("can not resolve macro: Nope(1)"), std::string::npos) << bad.out;
}

#ifdef QUENLOFT_EXAMPLE_MODULE
TEST(ToolEval, ResolverModuleBesideTheLibrary) {
  const fs::path module = QUENLOFT_EXAMPLE_MODULE;
  TempFolder elsewhere;
  fs::copy_file(module, elsewhere.path() / module.filename());
  const EvalCase cases[] = {
      // By file name, and by a path that leads into the library's folder.
      {{"Counter('a')", "--module", module.filename().string()}, 0, "1\n", ""},
      {{"x = Counter('a'); Counter('a')", "--module", module.string()}, 0, "2\n", ""},
      {{"Counter('a')", "--module", (elsewhere.path() / module.filename()).string()},
       2,
       "",
       "resolver modules are loaded from the library's folder"},
  };
  for (const EvalCase& c : cases) {
    SCOPED_TRACE(c.args[2]);
    const ToolRun run = RunTool(Args({"eval"}, c.args));
    EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.err_part), std::string::npos) << run.err;
  }
}
#endif

TEST(ToolCheck, ListsUnresolvedMacrosWithLines) {
  TempFolder skin;
  WriteFile(skin.path() / "page.htm",
            "<p><!--%Concat('ok')%--></p>\n<p><!--%Nope(1)%--></p>\n\n<!--%Nope(1)%-->\n");
  WriteFile(skin.path() / "sub/style.css", "a{}\nb { color: /*%Missing.Thing%*/; }\n");
  WriteFile(skin.path() / "notes.txt", "%%%Nope(2)%%%\n");  // not patched by default
  const std::string shown = skin.str() + "/";
  const ToolRun run = RunTool({"check", skin.str()});
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_EQ(run.out, shown + "page.htm:2: can not resolve macro: Nope(1)\n" + shown +
                         "page.htm:4: can not resolve macro: Nope(1)\n" + shown +
                         "sub/style.css:2: can not resolve macro: Missing.Thing\n");
  EXPECT_NE(run.err.find("2 files checked, 3 unresolved macros"), std::string::npos);
  // Nothing of the skin was written.
  EXPECT_EQ(ListFiles(skin.path()),
            (std::vector<std::string>{"notes.txt", "page.htm", "sub/style.css"}));

  const ToolRun with_glob = RunTool({"check", skin.str(), "--patch", "*.txt", "--json"});
  EXPECT_EQ(with_glob.exit_code, 1);
  EXPECT_NE(with_glob.out.find("{\"file\":\"" + shown + "notes.txt\",\"line\":1,"),
            std::string::npos)
      << with_glob.out;
}

TEST(ToolCheck, SampleSkinIsClean) {
  const auto values = GoldenValues();
  const ToolRun run = RunTool(Args({"check", kSampleSkin.string()}, values));
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_EQ(run.out, "");
}

struct FailureCase {
  const char* what;
  std::vector<std::string> args;
  int exit_code;
  std::string err_part;
};

TEST(ToolBuild, UsageErrorsAndFailures) {
  TempFolder work;
  const fs::path skin = work.path() / "skin";
  WriteFile(skin / "a.htm", "<!--%Nope(1)%-->");
  WriteFile(work.path() / "plain-file", "x");
  WriteFile(work.path() / "bad.values", "# comment\nTitle=ok\nno sign here\n");
  // A folder where the copy of a.htm should go makes its update fail.
  fs::create_directories(work.path() / "blocked/a.htm");
  const std::string s = skin.string();
  const std::string out = (work.path() / "out").string();
  const FailureCase cases[] = {
      {"no command", {}, 2, "A subcommand is required"},
      {"unknown option", {"build", "--bogus"}, 2, "--bogus"},
      {"missing skin",
       {"build", (work.path() / "nope").string(), "-o", out},
       2,
       "skin folder not found"},
      {"bad --set", {"build", s, "-o", out, "--set", "Title"}, 2, "bad --set \"Title\""},
      {"bad --values line",
       {"build", s, "-o", out, "--values", (work.path() / "bad.values").string()},
       2,
       "bad.values:3:"},
      {"missing --vars file",
       {"build", s, "-o", out, "--vars", "/nonexistent/v"},
       2,
       "cannot read /nonexistent/v"},
      {"folder owned by the tool",
       {"build", s, "-o", out, "--set", "ResultFolderName=/tmp/"},
       2,
       "is set by the tool"},
      {"output inside the skin", {"build", s, "-o", s + "/out"}, 2, "lies inside the skin"},
      {"missing module", {"build", s, "-o", out, "--module", "libnone-such.so"}, 2, "did not load"},
      {"output under a regular file",
       {"build", s, "-o", (work.path() / "plain-file/out").string()},
       1,
       "cannot write to the output folder"},
      {"unresolved under --strict",
       {"build", s, "-o", out, "--strict"},
       1,
       "can not resolve macro: Nope(1)"},
      {"unresolved without --strict", {"build", s, "-o", out}, 0, "can not resolve macro: Nope(1)"},
      {"update fails",
       {"build", s, "-o", (work.path() / "blocked").string()},
       1,
       "Error: Fail to update Template file"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
    EXPECT_NE(run.err.find(c.err_part), std::string::npos) << run.err;
  }
}

TEST(ToolBuild, HelpDescribesEveryCommand) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"--help"}, {"build", "check", "eval", "Exit codes", "<!--%...%-->"}},
      {{"build", "--help"},
       {"System.RootFolderName", "--patch", "--strict", "--json", "--timings", "--vars"}},
      {{"check", "--help"}, {"FILE:LINE: MESSAGE", "--patch"}},
      {{"eval", "--help"}, {"EXPR", "shorter than 5 bytes"}},
  };
  for (const auto& [args, parts] : cases) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exit_code, 0);
    for (const std::string& part : parts) {
      EXPECT_NE(run.out.find(part), std::string::npos) << args[0] << ": " << part;
    }
  }
}

TEST(ToolBuild, VerboseAndTimings) {
  TempFolder skin;
  WriteFile(skin.path() / "x/a.htm", "<!--%Concat('a')%-->");
  TempFolder out;
  const ToolRun run = RunTool({"build", skin.str(), "-o", out.str(), "-v", "--timings"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.err.find("copied x/a.htm\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("patched x/a.htm\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Template Temp Folder Info:"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("****CTplManagerImpl::CopyFilesByHost()"), std::string::npos);
}

TEST(ToolBuild, CtrlCStopsBetweenFilesAndLeavesNothingHalfWritten) {
  // Enough markers per file that the update pass takes a while.
  std::string text;
  std::string patched;
  for (int i = 0; i < 200; ++i) {
    text += "<p><!--%Concat('abc', 'def')%--></p>\n";
    patched += "<p>abcdef</p>\n";
  }
  TempFolder skin;
  constexpr int kFiles = 2000;
  for (int i = 0; i < kFiles; ++i) {
    // Appended step by step: GCC 12 warns (-Wrestrict) falsely on "p" + ...
    std::string name = std::to_string(i);
    name.insert(name.begin(), 'p');
    name += ".htm";
    WriteFile(skin.path() / name, text);
  }
  TempFolder out;
  ToolProcess tool({"build", skin.str(), "-o", out.str()});
  // Wait until the update pass has patched its first file, then press Ctrl-C.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool patching = false;
  while (!patching && !tool.Exited() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    patching = ReadFile(out.path() / "p0.htm") == patched;
  }
  ASSERT_TRUE(patching) << "the update pass never started";
  ASSERT_FALSE(tool.Exited()) << "the build ended before Ctrl-C; make the skin larger";
  kill(tool.pid(), SIGINT);
  const ToolRun run = tool.Finish();
  EXPECT_EQ(run.exit_code, 130) << run.err;
  EXPECT_NE(run.out.find("(interrupted)"), std::string::npos) << run.out;
  // Every file is either an untouched copy or completely patched, and no
  // temporary file of an atomic write is left.
  int complete = 0;
  for (const std::string& name : ListFiles(out.path())) {
    ASSERT_EQ(name.rfind('p', 0), 0u) << "stray file " << name;
    const std::string content = ReadFile(out.path() / name);
    ASSERT_TRUE(content == text || content == patched) << name;
    if (content == patched) ++complete;
  }
  EXPECT_GT(complete, 0);
  EXPECT_LT(complete, kFiles);
}

}  // namespace
}  // namespace tool_test
