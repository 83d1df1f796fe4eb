// The quenloft binary end to end: the golden cases of tests/data/tool, then
// what needs a run of its own: modules, links, a file-size limit, Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "tool/run_tool.h"

namespace tool_test {
namespace {

namespace fs = std::filesystem;
using quenloft::testing::ScratchFolder;
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
// a fresh output folder (filled first with the case's `out` folder, if
// any) and @SOURCE@ for the source tree; a blank line begins another run
// that must give the same result. `exit`, `stdout` and `stderr` (none:
// empty) hold what the tool gives, with those paths written the same way,
// the library's folder as @LIB@ and times as "T"; `expected` holds the output
// folder afterwards (none: empty). Nothing in the case's folder is written.
// Under Windows the XML parser words its errors its own way, and a file
// that is not found may be named under the folder it was looked for in
// there: both are left out of the comparison.
std::string WindowsNeutral(std::string text) {
#ifdef _WIN32
  text = std::regex_replace(text, std::regex("(Transform failed: the XML document: )[^\\n\"]*"),
                            "$1...");
  text = std::regex_replace(text, std::regex("file not found: [^\\n\"]*missing\\.txt"),
                            "file not found: missing.txt");
#endif
  return text;
}

TEST(ToolGolden, EveryCaseGivesItsOutput) {
  size_t runs = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(kCases)) {
    if (!entry.is_directory()) continue;
    const std::string folder = entry.path().generic_string();
    SCOPED_TRACE(folder);
    const quenloft::testing::Tree before = ReadTree(folder);
    quenloft::testing::Tree expected = ReadTree(folder + "/expected");
#ifdef _WIN32
    // MSXML's serialisation puts no blank line after the contents list.
    for (auto& [name, bytes] : expected)
      bytes = Replaced(bytes, "</ul>\n\n</nav>", "</ul>\n</nav>");
#endif
    const auto text_of = [&](const char* name) {
      const std::string text = ReadFile(folder + "/" + name);
      return text == "<missing>" ? "" : WindowsNeutral(text);
    };
    std::istringstream lines(ReadFile(folder + "/args") + "\n");
    std::vector<std::string> args;
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) {
        args.push_back(line);
        continue;
      }
      if (args.empty()) continue;
      ScratchFolder out;
      ASSERT_TRUE(quenloft::testing::CopyTree(folder + "/out", out.path()));
      const std::pair<std::string, std::string> paths[] = {{"@OUT@", out.path()},
                                                           {"@CASE@", folder},
                                                           {"@LIB@", QUENLOFT_LIB_DIR},
                                                           {"@SOURCE@", kSource}};
      for (std::string& arg : args) {
        for (const auto& [name, path] : paths) arg = Replaced(arg, name, path);
      }
      const auto normalized = [&](std::string text) {
        for (const auto& [name, path] : paths) text = Replaced(text, path, name);
        text = std::regex_replace(text, std::regex("[0-9.]+ ms"), "T ms");
        return std::regex_replace(text, std::regex("\"milliseconds\":[0-9.]+"),
                                  "\"milliseconds\":T");
      };
      const ToolRun run = RunTool(args);
      EXPECT_EQ(std::to_string(run.exit_code) + "\n", text_of("exit")) << run.err;
      EXPECT_EQ(WindowsNeutral(normalized(run.out)), text_of("stdout"));
      EXPECT_EQ(WindowsNeutral(normalized(run.err)), text_of("stderr"));
      quenloft::testing::Tree written = ReadTree(out.path());
      for (auto& [name, bytes] : written) bytes = normalized(bytes);
      EXPECT_EQ(written, expected);
      args.clear();
      ++runs;
    }
    EXPECT_EQ(ReadTree(folder), before);
  }
  EXPECT_GE(runs, 45u);
}

#ifdef QUENLOFT_EXAMPLE_MODULE
TEST(ToolEval, ResolverModuleBesideTheLibrary) {
  const fs::path module = QUENLOFT_EXAMPLE_MODULE;
  ScratchFolder elsewhere;
  fs::copy_file(module, elsewhere / module.filename().string());
  // By file name, and by a path that leads into the library's folder.
  ExpectRun({"eval", "Counter('a')", "--module", module.filename().string()}, 0, "", "1\n");
  ExpectRun({"eval", "x = Counter('a'); Counter('a')", "--module", module.string()}, 0, "", "2\n");
  ExpectRun({"eval", "Counter('a')", "--module", elsewhere / module.filename().string()}, 2,
            "resolver modules are loaded from the library's folder", "");
}
#endif

// The skin by another name: the output folder is checked by identity.
TEST(ToolBuild, OutputInsideTheSkinByAnotherName) {
  ScratchFolder work;
  WriteFile(work / "skin/a.htm", "a");
#ifdef _WIN32
  const std::string alias = work / "SKIN";  // letter case is ignored
#else
  const std::string alias = work / "skin-link";
  fs::create_directory_symlink(work / "skin", alias);
#endif
  ExpectRun({"build", work / "skin", "-o", alias + "/out"}, 2, "lies inside the skin", "");
  EXPECT_FALSE(fs::exists(work / "skin/out"));
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
  for (const std::string part :
       {"Fail to update Template file big.htm\n", "Fail to update Template file grows.htm\n",
        "Fail to update Template file big.png\n",
        "1 file copied, 1 patched, 0 unresolved macros, 3 failures"}) {
    EXPECT_NE((limited.out + limited.err).find(part), std::string::npos) << part << limited.err;
  }
  EXPECT_EQ(limited.err.find("not written"), std::string::npos) << limited.err;
  // The copy of grows.htm, unpatched.
  EXPECT_EQ(ReadTree(out.path()),
            (quenloft::testing::Tree{{"grows.htm", "<!--%big$$%-->"}, {"small.htm", "s"}}));
  const ToolRun with_room = RunTool(args);
  EXPECT_EQ(with_room.exit_code, 0) << with_room.err;
  EXPECT_EQ(
      ReadTree(out.path()),
      (quenloft::testing::Tree{{"big.htm", big}, {"big.png", big}, {"grows.htm", big}, {"small.htm", "s"}}));
}
#endif

#ifndef _WIN32
// The leftovers of a killed build are removed without following links (the
// names are in the golden case build-leftovers): a link of that name stays,
// and so does the file it names; a link to a folder is not followed.
TEST(ToolBuild, LeftoverRemovalFollowsNoLink) {
  ScratchFolder skin, out, elsewhere;
  WriteFile(skin / "a.htm", "a");
  WriteFile(elsewhere / "target.txt", "target");
  WriteFile(elsewhere / ".b.htm.quenloft-tmp-abcdefgh", "outside the output");
  fs::create_symlink(elsewhere / "target.txt", out / ".l.htm.quenloft-tmp-abcdefgh");
  fs::create_directory_symlink(elsewhere.path(), out / "linked");
  const ToolRun run = RunTool({"build", skin.path(), "-o", out.path()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(out / ".l.htm.quenloft-tmp-abcdefgh"));
  EXPECT_EQ(ReadTree(elsewhere.path()),
            (quenloft::testing::Tree{{".b.htm.quenloft-tmp-abcdefgh", "outside the output"},
                            {"target.txt", "target"}}));
}
#endif

TEST(ToolBuild, HelpVerboseAndTimings) {
  ExpectRun({}, 2, "A subcommand is required");
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
  std::string text, patched;
  for (int i = 0; i < 200; ++i) {
    text += "<p><!--%Concat('abc', 'def')%--></p>\n";
    patched += "<p>abcdef</p>\n";
  }
  ScratchFolder skin, out;
  constexpr int kFiles = 2000;
  for (int i = 0; i < kFiles; ++i) WriteFile(skin / ("p" + std::to_string(i) + ".htm"), text);
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
  // Every file is an untouched copy or completely patched, but those being
  // patched when Ctrl-C came (one per worker, a worker per core), which keep
  // the markers the library was asked to stop at; no temporary file of an
  // atomic write is left.
  int complete = 0, partial = 0;
  for (const auto& [name, content] : ReadTree(out.path())) {
    ASSERT_EQ(name.rfind('p', 0), 0u) << "stray file " << name;
    ASSERT_EQ(Replaced(content, "<p>abcdef</p>", "<p><!--%Concat('abc', 'def')%--></p>"), text);
    if (content == patched) ++complete;
    if (content != patched && content != text) ++partial;
  }
  EXPECT_LE(partial, std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
  EXPECT_GT(complete, 0);
  EXPECT_LT(complete, kFiles);
}
#endif

}  // namespace
}  // namespace tool_test
