// The quenloft binary end to end: the golden cases of tests/data/tool, then
// eval, exit codes, bad arguments, failed writes, leftovers and Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "tool/run_tool.h"

namespace tool_test {
namespace {

namespace fs = std::filesystem;
using fixtures::ScratchFolder;
using Names = std::vector<std::string>;

const std::string kSource = QUENLOFT_SOURCE_DIR;
const std::string kCases = kSource + "/tests/data/tool/";

// Replaces every `from` in text by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Each folder of tests/data/tool is a case: `args` holds the command line,
// one argument a line, where @CASE@ stands for the case's folder, @OUT@ for
// a fresh output folder and @SOURCE@ for the source tree; a blank line
// begins another run that must give the same result. `exit`, `stdout` and
// `stderr` hold what the tool gives, with those paths written the same way
// and times as "T"; `expected` holds the output folder afterwards (none:
// nothing is written there). Nothing in the case's folder is written.
TEST(ToolGolden, EveryCaseGivesItsOutput) {
  size_t runs = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(kCases)) {
    if (!entry.is_directory()) continue;
    const std::string folder = entry.path().generic_string();
    SCOPED_TRACE(folder);
    const fixtures::Tree before = ReadTree(folder);
    fixtures::Tree expected = ReadTree(folder + "/expected");
#ifdef _WIN32
    // MSXML's serialisation puts no blank line after the contents list.
    for (auto& [name, bytes] : expected) bytes = Replaced(bytes, "</ul>\n\n</nav>", "</ul>\n</nav>");
#endif
    std::istringstream lines(ReadFile(folder + "/args") + "\n");
    std::vector<std::string> args;
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) {
        args.push_back(line);
        continue;
      }
      if (args.empty()) continue;
      ScratchFolder out;
      const std::pair<std::string, std::string> paths[] = {
          {"@OUT@", out.path()}, {"@CASE@", folder}, {"@SOURCE@", kSource}};
      for (std::string& arg : args) {
        for (const auto& [name, path] : paths) arg = Replaced(arg, name, path);
      }
      const auto normalized = [&](std::string text) {
        for (const auto& [name, path] : paths) text = Replaced(text, path, name);
        text = std::regex_replace(text, std::regex("[0-9.]+ ms"), "T ms");
        return std::regex_replace(text, std::regex("\"milliseconds\":[0-9.]+"), "\"milliseconds\":T");
      };
      const ToolRun run = RunTool(args);
      EXPECT_EQ(std::to_string(run.exit_code) + "\n", ReadFile(folder + "/exit")) << run.err;
      EXPECT_EQ(normalized(run.out), ReadFile(folder + "/stdout"));
      EXPECT_EQ(normalized(run.err), ReadFile(folder + "/stderr"));
      fixtures::Tree written = ReadTree(out.path());
      for (auto& [name, bytes] : written) bytes = normalized(bytes);
      EXPECT_EQ(written, expected);
      args.clear();
      ++runs;
    }
    EXPECT_EQ(ReadTree(folder), before);
  }
  EXPECT_GE(runs, 10u);
}

struct Case {
  std::vector<std::string> args;
  int exit_code;
  const char* out;       // all of stdout; null: not looked at
  std::string err_part;  // a part of stderr
};

void ExpectRuns(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no command" : c.args[0] + " " + c.args.back());
    const ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
    if (c.out != nullptr) {
      EXPECT_EQ(run.out, c.out);
    }
    EXPECT_NE(run.err.find(c.err_part), std::string::npos) << run.err;
  }
}

TEST(ToolEval, ValuesAndExitCodes) {
  const std::string values = kCases + "values-files/";
  ExpectRuns({
      {{"eval", "x = 'World'; Concat('Hello, ', x)"}, 0, "Hello, World\n", ""},
      {{"eval", "System.Title", "--set", "Title=T"}, 0, "T\n", ""},
      {{"eval", "System.Title", "--set", "System.Title=U"}, 0, "U\n", ""},
      {{"eval", "System.system.T", "--set", "system.T=V"}, 0, "V\n", ""},  // names keep case
      {{"eval", "Concat(who$$, '!')", "--var", "who$$=Bob"}, 0, "Bob!\n", ""},
      // --set comes after --values and wins.
      {{"eval", "Concat(System.Title)", "--values", values + "system.values", "--set", "Title=O"},
       0, "O\n", ""},
      {{"eval", "NoSuch(1)"}, 1, "", "Template Error: can not resolve macro: NoSuch(1)"},
      // Resolved without a value: its own text, and no message.
      {{"eval", "System.NoSuchValue"}, 0, "System.NoSuchValue\n", ""},
      {{"eval", "abc"}, 1, "", "shorter than 5 bytes"},
      {{"eval", "Concat('a')", "--set", "Title"}, 2, "", "bad --set \"Title\""},
      {{"eval", "Concat('a')", "--var", "=x"}, 2, "", "bad --var \"=x\""},
      {{"eval", "Concat('a')", "--values", values + "bad.values"}, 2, "",
       "bad.values:3: expected NAME=VALUE, got \"no sign here\""},
      {{"eval", "Concat('a')", "--vars", values + "bad.vars"}, 2, "",
       "bad.vars:2: expected NAME=VALUE or NAME<TAB>VALUE, got \"\tvalue\""},
      {{"eval", "--json", "Concat('a\"', 'b')"}, 0,
       "{\"expression\":\"Concat('a\\\"', 'b')\",\"resolved\":true,\"value\":\"a\\\"b\","
       "\"messages\":[]}\n", ""},
      {{"eval", "--json", "Nope(1)"}, 1,
       "{\"expression\":\"Nope(1)\",\"resolved\":false,\"value\":\"\",\"messages\":"
       "[\"Template Error: can not resolve macro: Nope(1) \"]}\n",  // the host text, space and all
       ""},
  });
}

#ifdef QUENLOFT_EXAMPLE_MODULE
TEST(ToolEval, ResolverModuleBesideTheLibrary) {
  const fs::path module = QUENLOFT_EXAMPLE_MODULE;
  ScratchFolder elsewhere;
  fs::copy_file(module, elsewhere / module.filename().string());
  // By file name, and by a path that leads into the library's folder.
  ExpectRuns({
      {{"eval", "Counter('a')", "--module", module.filename().string()}, 0, "1\n", ""},
      {{"eval", "x = Counter('a'); Counter('a')", "--module", module.string()}, 0, "2\n", ""},
      {{"eval", "Counter('a')", "--module", elsewhere / module.filename().string()}, 2, "",
       "resolver modules are loaded from the library's folder"},
  });
}
#endif

TEST(ToolBuild, UsageErrorsAndFailures) {
  ScratchFolder work;
  const std::string s = work / "skin", out = work / "out";
  WriteFile(s + "/a.htm", "<!--%Nope(1)%-->");
  WriteFile(work / "plain-file", "x");
  // A folder where the copy of a.htm should go makes its update fail.
  fs::create_directories(work / "blocked/a.htm");
  // The skin by another name.
#ifdef _WIN32
  const std::string skin_alias = work / "SKIN";  // letter case is ignored
#else
  const std::string skin_alias = work / "skin-link";
  fs::create_directory_symlink(s, skin_alias);
#endif
  ExpectRuns({
      {{}, 2, nullptr, "A subcommand is required"},
      {{"build", "--bogus"}, 2, nullptr, "--bogus"},
      {{"build", work / "nope", "-o", out}, 2, nullptr, "skin folder not found"},
      {{"build", s, "-o", out, "--vars", "/nonexistent/v"}, 2, nullptr, "cannot read /nonexistent/v"},
      {{"build", s, "-o", out, "--set", "ResultFolderName=/tmp/"}, 2, nullptr, "is set by the tool"},
      {{"build", s, "-o", s + "/out"}, 2, nullptr, "lies inside the skin"},
      {{"build", s, "-o", skin_alias + "/out"}, 2, nullptr, "lies inside the skin"},
      {{"build", s, "-o", out, "--module", "libnone-such.so"}, 2, nullptr, "did not load"},
      {{"build", s, "-o", work / "plain-file/out"}, 1, nullptr, "cannot write to the output folder"},
      {{"build", s, "-o", work / "blocked"}, 1, nullptr, "Error: Fail to update Template file"},
      // An unresolved macro fails the build only under --strict.
      {{"build", s, "-o", out}, 0, nullptr, "can not resolve macro: Nope(1)"},
      {{"build", s, "-o", out, "--strict"}, 1, nullptr, "can not resolve macro: Nope(1)"},
  });
}

#ifndef _WIN32
// Under a file-size limit (as on a full disk) every file that could not be
// written is reported and counted, the tool exits 1 instead of dying of
// SIGXFSZ, and no temporary file is left; a build with room then succeeds.
TEST(ToolBuild, FailedWritesAreReportedAndCounted) {
  ScratchFolder skin, out;
  const std::string big(20 * 1024, 'b');
  WriteFile(skin / "big.htm", big);                 // copy fails, then update
  WriteFile(skin / "grows.htm", "<!--%big$$%-->");  // the patched text fails
  WriteFile(skin / "big.png", big);                 // copy fails, then flush
  WriteFile(skin / "small.htm", "<!--%Concat('s')%-->");
  const Names args = {"build", skin.path(), "-o", out.path(), "--var", "big$$=" + big};
  const ToolRun limited = RunToolWithFileSizeLimit(args, 16 * 1024);
  EXPECT_EQ(limited.exit_code, 1) << limited.err;
  for (const char* name : {"big.htm", "grows.htm", "big.png"}) {
    EXPECT_NE(limited.err.find(std::string("Error: Fail to update Template file ") + name + "\n"),
              std::string::npos)
        << name << "\n"
        << limited.err;
  }
  EXPECT_EQ(limited.err.find("not written"), std::string::npos) << limited.err;
  EXPECT_NE(limited.out.find("1 file copied, 1 patched, 0 unresolved macros, 3 failures"),
            std::string::npos)
      << limited.out;
  // The copy of grows.htm, unpatched.
  EXPECT_EQ(ReadTree(out.path()),
            (fixtures::Tree{{"grows.htm", "<!--%big$$%-->"}, {"small.htm", "s"}}));
  const ToolRun with_room = RunTool(args);
  EXPECT_EQ(with_room.exit_code, 0) << with_room.err;
  EXPECT_EQ(ReadTree(out.path()), (fixtures::Tree{{"big.htm", big}, {"big.png", big},
                                                  {"grows.htm", big}, {"small.htm", "s"}}));
}
#endif

// A build removes the temporary files that a killed build left in the
// output folder, and only those: names of that exact form, regular files,
// found without following links.
TEST(ToolBuild, LeftoverTemporaryFilesAreRemoved) {
  ScratchFolder skin, out, elsewhere;
  WriteFile(skin / "sub/a.htm", "<!--%Concat('a')%-->");
  // Names of other forms are checked with the utilities library's rule.
  const std::pair<std::string, bool> files[] = {  // name, stays
      {".a.htm.quenloft-tmp-k3x9a0qz", false},
      {"sub/.a.htm.quenloft-tmp-00000000", false},
      {"deep/er/.notes.txt.quenloft-tmp-abcdefgh", false},
      {".a.htm.quenloft-tmp-ABCDEFGH", true},
      {"a.htm.quenloft-tmp-abcdefgh", true},
      {"sub/.a.htm.quenloft-tmp-abcdefgh/inside.txt", true},  // a folder of that name
  };
  for (const auto& [name, stays] : files) WriteFile(out / name, "user data");
#ifndef _WIN32
  // A link of that name stays, and so does the file it names; a link to a
  // folder is not followed.
  WriteFile(elsewhere / "target.txt", "target");
  WriteFile(elsewhere / ".b.htm.quenloft-tmp-abcdefgh", "outside the output");
  fs::create_symlink(elsewhere / "target.txt", out / ".l.htm.quenloft-tmp-abcdefgh");
  fs::create_directory_symlink(elsewhere.path(), out / "linked");
#endif
  const ToolRun run = RunTool({"build", skin.path(), "-o", out.path()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  for (const auto& [name, stays] : files) EXPECT_EQ(fs::exists(out / name), stays) << name;
  EXPECT_EQ(ReadFile(out / "sub/a.htm"), "a");
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(out / ".l.htm.quenloft-tmp-abcdefgh"));
  EXPECT_EQ(ReadTree(elsewhere.path()),
            (fixtures::Tree{{".b.htm.quenloft-tmp-abcdefgh", "outside the output"},
                            {"target.txt", "target"}}));
#endif
}

TEST(ToolBuild, HelpVerboseAndTimings) {
  for (const Names& args : {Names{"--help"}, Names{"build", "--help"}, Names{"check", "--help"},
                            Names{"eval", "--help"}}) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exit_code, 0) << args[0];
    EXPECT_NE(run.out.find("Usage"), std::string::npos) << args[0] << run.out;
  }
  ScratchFolder skin, out;
  WriteFile(skin / "x/a.htm", "<!--%Concat('a')%-->");
  const ToolRun run = RunTool({"build", skin.path(), "-o", out.path(), "-v", "--timings"});
  EXPECT_EQ(run.exit_code, 0);
  for (const char* part : {"copied x/a.htm\n", "patched x/a.htm\n", "Template Temp Folder Info:",
                           "****quenloft build: copy"})
    EXPECT_NE(run.err.find(part), std::string::npos) << part << run.err;
}

// A console Ctrl-C reaches a Windows program only through a console it
// shares with the sender, which a test under Wine does not have.
#ifndef _WIN32
TEST(ToolBuild, CtrlCStopsBetweenFilesAndLeavesNothingHalfWritten) {
  // Enough markers per file that the update pass takes a while.
  std::string text;
  std::string patched;
  for (int i = 0; i < 200; ++i) {
    text += "<p><!--%Concat('abc', 'def')%--></p>\n";
    patched += "<p>abcdef</p>\n";
  }
  ScratchFolder skin, out;
  constexpr int kFiles = 2000;
  for (int i = 0; i < kFiles; ++i) {
    // Appended step by step: GCC 12 warns (-Wrestrict) falsely on "p" + ...
    std::string name = std::to_string(i);
    name.insert(name.begin(), 'p');
    WriteFile(skin / (name + ".htm"), text);
  }
  ToolProcess tool({"build", skin.path(), "-o", out.path()});
  // Wait until the update pass has patched its first file, then press Ctrl-C.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool patching = false;
  while (!patching && !tool.Exited() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    patching = ReadFile(out / "p0.htm") == patched;
  }
  ASSERT_TRUE(patching) << "the update pass never started";
  ASSERT_FALSE(tool.Exited()) << "the build ended before Ctrl-C; make the skin larger";
  kill(tool.pid(), SIGINT);
  const ToolRun run = tool.Finish();
  EXPECT_EQ(run.exit_code, 130) << run.err;
  EXPECT_NE(run.out.find("(interrupted)"), std::string::npos) << run.out;
  // Every file is an untouched copy or completely patched, but the one
  // being patched when Ctrl-C came, which keeps the markers the library
  // was asked to stop at; no temporary file of an atomic write is left.
  int complete = 0, partial = 0;
  for (const auto& [name, content] : ReadTree(out.path())) {
    ASSERT_EQ(name.rfind('p', 0), 0u) << "stray file " << name;
    ASSERT_EQ(Replaced(content, "<p>abcdef</p>", "<p><!--%Concat('abc', 'def')%--></p>"), text);
    if (content == patched) ++complete;
    if (content != patched && content != text) ++partial;
  }
  EXPECT_LE(partial, 1);
  EXPECT_GT(complete, 0);
  EXPECT_LT(complete, kFiles);
}
#endif

}  // namespace
}  // namespace tool_test
