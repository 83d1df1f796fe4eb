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

// A golden file as this platform's tool writes it. On Windows `Transform`
// goes through MSXML, whose output puts no blank line after the contents
// list that libxslt's has.
std::string Golden(const std::string& name) {
  std::string text = ReadFile(kGolden / name);
#ifdef _WIN32
  if (name == "index.htm") {
    text = std::regex_replace(text, std::regex("</ul>\n\n</nav>"), "</ul>\n</nav>");
  }
#endif
  return text;
}

// The arguments, then the values the golden output was made with.
std::vector<std::string> WithGoldenValues(std::vector<std::string> args) {
  args.insert(args.end(), {"--set", "Title=Sample help", "--set", "Accent=teal", "--set",
                           "TopicCount=3", "--set", "Edition=2nd-ed", "--set", "ShowIndex=yes",
                           "--var", "company$$=Example & Co"});
  return args;
}

struct Case {
  std::vector<std::string> args;
  int exit_code;
  std::string out;       // all of stdout
  std::string err_part;  // a part of stderr
};

void ExpectRun(const Case& c) {
  SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "");
  const ToolRun run = RunTool(c.args);
  EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
  EXPECT_EQ(run.out, c.out);
  EXPECT_NE(run.err.find(c.err_part), std::string::npos) << run.err;
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
    const ToolRun run = RunTool(WithGoldenValues(args));
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // Without a terminal, progress is a line of dots: one per percent.
    EXPECT_EQ(run.err, std::string(100, '.') + "\n");
    EXPECT_NE(run.out.find("11 files copied, 10 patched, 0 unresolved macros, 0 failures"),
              std::string::npos)
        << run.out;
    const std::vector<std::string> names = ListFiles(kGolden);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names, ListFiles(out.path()));
    for (const std::string& name : names)
      EXPECT_EQ(Golden(name), ReadFile(out.path() / name)) << name;
  }
  ExpectRun({WithGoldenValues({"check", kSampleSkin.string()}), 0, "", ""});
}

TEST(ToolBuild, FolderValuesEndWithASeparator) {
  TempFolder work;
  const fs::path skin = work.path() / "skin";
  WriteFile(skin / "f.htm",
            "<!--%System.SourceFolderName%-->|<!--%System.ResultFolderName%-->|"
            "<!--%System.RootFolderName%-->");
  const std::string s = skin.generic_string() + "/";
  const std::string out = (work.path() / "site/part").generic_string() + "/";
  const std::string site = (work.path() / "site").generic_string() + "/";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, s + "|" + out + "|" + out},
      {{"--root", work.str() + "/site/part/.."}, s + "|" + out + "|" + site},
      {{"--set", "RootFolderName=R"}, s + "|" + out + "|R"},
  };
  for (const auto& [extra, expected] : cases) {
    std::vector<std::string> args = {"build", skin.string(), "-o", out};
    args.insert(args.end(), extra.begin(), extra.end());
    const ToolRun run = RunTool(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(ReadFile(fs::path(out) / "f.htm"), expected);
  }
}

TEST(ToolBuild, PatchGlobsAndJsonSummary) {
  TempFolder skin;
  WriteFile(skin.path() / "a.htm", "<!--%Concat('x', 'y')%--> <!--%Nope(1)%-->");
  WriteFile(skin.path() / "b.txt", "%%%Concat('t')%%%");
  WriteFile(skin.path() / "c.bin", "raw");
  TempFolder out;
  const ToolRun run = RunTool({"build", skin.str(), "-o", out.str(), "--json", "--patch", "*.txt"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(std::regex_replace(run.out, std::regex("\"milliseconds\":[0-9.]+"), "\"ms\":0"),
            "{\"skin\":\"" + skin.str() + "/\",\"output\":\"" + out.str() +
                "/\",\"files_copied\":3,\"files_patched\":2,\"unresolved_macros\":1,"
                "\"failures\":0,\"ms\":0,\"interrupted\":false,\"exit_code\":0}\n");
  EXPECT_EQ(ReadFile(out.path() / "a.htm"), "xy <!--%Nope(1)%-->");
  EXPECT_EQ(ReadFile(out.path() / "b.txt"), "t");
  EXPECT_EQ(ReadFile(out.path() / "c.bin"), "raw");
}

TEST(ToolEval, ValuesAndExitCodes) {
  const Case cases[] = {
      {{"eval", "x = 'World'; Concat('Hello, ', x)"}, 0, "Hello, World\n", ""},
      {{"eval", "System.Title", "--set", "Title=T"}, 0, "T\n", ""},
      {{"eval", "System.Title", "--set", "System.Title=U"}, 0, "U\n", ""},
      {{"eval", "Concat(who$$, '!')", "--var", "who$$=Bob"}, 0, "Bob!\n", ""},
      {{"eval", "NoSuch(1)"}, 1, "", "Template Error: can not resolve macro: NoSuch(1)"},
      // Resolved without a value: its own text, and no message.
      {{"eval", "System.NoSuchValue"}, 0, "System.NoSuchValue\n", ""},
      {{"eval", "abc"}, 1, "", "shorter than 5 bytes"},
      {{"eval", "Concat('a')", "--set", "Title"}, 2, "", "bad --set \"Title\""},
      {{"eval", "Concat('a')", "--var", "=x"}, 2, "", "bad --var \"=x\""},
      {{"eval", "--json", "Concat('a\"', 'b')"},
       0,
       "{\"expression\":\"Concat('a\\\"', 'b')\",\"resolved\":true,\"value\":\"a\\\"b\","
       "\"messages\":[]}\n",
       ""},
      {{"eval", "--json", "Nope(1)"},
       1,
       "{\"expression\":\"Nope(1)\",\"resolved\":false,\"value\":\"\",\"messages\":"
       "[\"Template Error: can not resolve macro: Nope(1) \"]}\n",  // the host text, space and all
       ""},
  };
  for (const Case& c : cases) ExpectRun(c);
}

TEST(ToolEval, ValuesAndVariablesFromFiles) {
  TempFolder work;
  const std::string values = (work.path() / "system.values").string();
  const std::string vars = (work.path() / "globals.vars").string();
  WriteFile(values, "# folder of the help project\nTitle=From file\nSystem.Edition=2\n");
  WriteFile(vars, "who$$\tAnn Lee\nwhat$$=a=b\n");
  ExpectRun({{"eval", "Concat(System.Title, '/', System.Edition, '/', who$$, '/', what$$)",
              "--values", values, "--vars", vars},
             0,
             "From file/2/Ann Lee/a=b\n",
             ""});
  // --set comes after --values and wins.
  ExpectRun({{"eval", "Concat(System.Title)", "--values", values, "--set", "Title=From option"},
             0,
             "From option\n",
             ""});
}

#ifdef QUENLOFT_EXAMPLE_MODULE
TEST(ToolEval, ResolverModuleBesideTheLibrary) {
  const fs::path module = QUENLOFT_EXAMPLE_MODULE;
  TempFolder elsewhere;
  fs::copy_file(module, elsewhere.path() / module.filename());
  const Case cases[] = {
      // By file name, and by a path that leads into the library's folder.
      {{"eval", "Counter('a')", "--module", module.filename().string()}, 0, "1\n", ""},
      {{"eval", "x = Counter('a'); Counter('a')", "--module", module.string()}, 0, "2\n", ""},
      {{"eval", "Counter('a')", "--module", (elsewhere.path() / module.filename()).string()},
       2,
       "",
       "resolver modules are loaded from the library's folder"},
  };
  for (const Case& c : cases) ExpectRun(c);
}
#endif

TEST(ToolCheck, ListsUnresolvedMacrosWithLines) {
  TempFolder skin;
  WriteFile(skin.path() / "page.htm",
            "<p><!--%Concat('ok')%--></p>\n<p><!--%Nope(1)%--></p>\n\n<!--%Nope(1)%-->\n");
  WriteFile(skin.path() / "sub/style.css", "a{}\nb { color: /*%Missing.Thing%*/; }\n");
  WriteFile(skin.path() / "notes.txt", "%%%Nope(2)%%%\n");  // not patched by default
  const std::string shown = skin.str() + "/";
  ExpectRun({{"check", skin.str()},
             1,
             shown + "page.htm:2: can not resolve macro: Nope(1)\n" + shown +
                 "page.htm:4: can not resolve macro: Nope(1)\n" + shown +
                 "sub/style.css:2: can not resolve macro: Missing.Thing\n",
             "2 files checked, 3 unresolved macros"});
  // Nothing of the skin was written.
  EXPECT_EQ(ListFiles(skin.path()),
            (std::vector<std::string>{"notes.txt", "page.htm", "sub/style.css"}));

  const ToolRun with_glob = RunTool({"check", skin.str(), "--patch", "*.txt", "--json"});
  EXPECT_EQ(with_glob.exit_code, 1);
  EXPECT_NE(with_glob.out.find("{\"file\":\"" + shown + "notes.txt\",\"line\":1,"),
            std::string::npos)
      << with_glob.out;
}

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
  // The skin by another name.
#ifdef _WIN32
  const std::string skin_alias = (work.path() / "SKIN").string();  // letter case is ignored
#else
  const std::string skin_alias = (work.path() / "skin-link").string();
  fs::create_directory_symlink(skin, skin_alias);
#endif
  const Case cases[] = {
      {{}, 2, "", "A subcommand is required"},
      {{"build", "--bogus"}, 2, "", "--bogus"},
      {{"build", (work.path() / "nope").string(), "-o", out}, 2, "", "skin folder not found"},
      {{"build", s, "-o", out, "--values", (work.path() / "bad.values").string()},
       2,
       "",
       "bad.values:3:"},
      {{"build", s, "-o", out, "--vars", "/nonexistent/v"}, 2, "", "cannot read /nonexistent/v"},
      {{"build", s, "-o", out, "--set", "ResultFolderName=/tmp/"}, 2, "", "is set by the tool"},
      {{"build", s, "-o", s + "/out"}, 2, "", "lies inside the skin"},
      {{"build", s, "-o", skin_alias + "/out"}, 2, "", "lies inside the skin"},
      {{"build", s, "-o", out, "--module", "libnone-such.so"}, 2, "", "did not load"},
      {{"build", s, "-o", (work.path() / "plain-file/out").string()},
       1,
       "",
       "cannot write to the output folder"},
      {{"build", s, "-o", (work.path() / "blocked").string()},
       1,
       "",
       "Error: Fail to update Template file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no command" : c.args.back());
    const ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
    EXPECT_NE(run.err.find(c.err_part), std::string::npos) << run.err;
  }
  // An unresolved macro fails the build only under --strict.
  for (const bool strict : {false, true}) {
    std::vector<std::string> args = {"build", s, "-o", out};
    if (strict) args.push_back("--strict");
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exit_code, strict ? 1 : 0) << run.err;
    EXPECT_NE(run.err.find("can not resolve macro: Nope(1)"), std::string::npos) << run.err;
  }
}

#ifndef _WIN32
// Under a file-size limit (as on a full disk) every file that could not be
// written is reported and counted, the tool exits 1 instead of dying of
// SIGXFSZ, and no temporary file is left; a build with room then succeeds.
TEST(ToolBuild, FailedWritesAreReportedAndCounted) {
  TempFolder skin;
  const std::string big(20 * 1024, 'b');
  WriteFile(skin.path() / "big.htm", big);                 // copy fails, then update
  WriteFile(skin.path() / "grows.htm", "<!--%big$$%-->");  // the patched text fails
  WriteFile(skin.path() / "big.png", big);                 // copy fails, then flush
  WriteFile(skin.path() / "small.htm", "<!--%Concat('s')%-->");
  TempFolder out;
  std::vector<std::string> args = {"build", skin.str(), "-o", out.str()};
  args.insert(args.end(), {"--var", "big$$=" + big});
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
  EXPECT_EQ(ListFiles(out.path()), (std::vector<std::string>{"grows.htm", "small.htm"}));
  EXPECT_EQ(ReadFile(out.path() / "grows.htm"), "<!--%big$$%-->");  // the copy, unpatched

  const ToolRun with_room = RunTool(args);
  EXPECT_EQ(with_room.exit_code, 0) << with_room.err;
  EXPECT_EQ(ListFiles(out.path()),
            (std::vector<std::string>{"big.htm", "big.png", "grows.htm", "small.htm"}));
  EXPECT_EQ(ReadFile(out.path() / "grows.htm"), big);
}
#endif

// A build removes the temporary files that a killed build left in the
// output folder, and only those: names of that exact form, regular files,
// found without following links.
TEST(ToolBuild, LeftoverTemporaryFilesAreRemoved) {
  TempFolder skin;
  WriteFile(skin.path() / "sub/a.htm", "<!--%Concat('a')%-->");
  TempFolder out;
  TempFolder elsewhere;
  // Names of other forms are checked with the utilities library's rule.
  const struct {
    std::string name;
    bool stays;
  } files[] = {
      {".a.htm.quenloft-tmp-k3x9a0qz", false},
      {"sub/.a.htm.quenloft-tmp-00000000", false},
      {"deep/er/.notes.txt.quenloft-tmp-abcdefgh", false},
      {".a.htm.quenloft-tmp-ABCDEFGH", true},
      {"a.htm.quenloft-tmp-abcdefgh", true},
      {"sub/.a.htm.quenloft-tmp-abcdefgh/inside.txt", true},  // a folder of that name
  };
  for (const auto& file : files) WriteFile(out.path() / file.name, "user data");
#ifndef _WIN32
  // A link of that name stays, and so does the file it names; a link to a
  // folder is not followed.
  WriteFile(elsewhere.path() / "target.txt", "target");
  WriteFile(elsewhere.path() / ".b.htm.quenloft-tmp-abcdefgh", "outside the output");
  fs::create_symlink(elsewhere.path() / "target.txt", out.path() / ".l.htm.quenloft-tmp-abcdefgh");
  fs::create_directory_symlink(elsewhere.path(), out.path() / "linked");
#endif
  const ToolRun run = RunTool({"build", skin.str(), "-o", out.str()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  for (const auto& file : files)
    EXPECT_EQ(fs::exists(out.path() / file.name), file.stays) << file.name;
  EXPECT_EQ(ReadFile(out.path() / "sub/a.htm"), "a");
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(out.path() / ".l.htm.quenloft-tmp-abcdefgh"));
  EXPECT_EQ(ReadFile(elsewhere.path() / "target.txt"), "target");
  EXPECT_TRUE(fs::exists(elsewhere.path() / ".b.htm.quenloft-tmp-abcdefgh"));
#endif
}

TEST(ToolBuild, HelpVerboseAndTimings) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"build", "--help"}, {"check", "--help"}, {"eval", "--help"}}) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exit_code, 0) << args[0];
    EXPECT_NE(run.out.find("Usage"), std::string::npos) << args[0] << run.out;
  }
  TempFolder skin;
  WriteFile(skin.path() / "x/a.htm", "<!--%Concat('a')%-->");
  TempFolder out;
  const ToolRun run = RunTool({"build", skin.str(), "-o", out.str(), "-v", "--timings"});
  EXPECT_EQ(run.exit_code, 0);
  for (const char* part : {"copied x/a.htm\n", "patched x/a.htm\n", "Template Temp Folder Info:",
                           "****CTplManagerImpl::CopyFilesByHost()"})
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
#endif

}  // namespace
}  // namespace tool_test
