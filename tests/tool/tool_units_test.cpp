// The tool's parts that its golden runs cannot reach on every row: the
// glob matcher, which texts may hold markers, JSON strings, the skin's file
// source (also once Ctrl-C was pressed), the host's diagnostics and when
// they are coloured.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <cstdlib>
#include <sstream>

#include "support/files.h"
#include "support/host_objects.h"
#include "console_host.h"
#include "diagnostics_printer.h"
#include "folder_source.h"
#include "patch_selection.h"
#include "prelude.h"
#include "skin_config.h"
#include "skin_filter.h"
#include "skin_text.h"
#include "sliced_patch.h"
#include "summary.h"

namespace quenloft_tool {
namespace {

// Calls check(words, where) on every row of a table of tests/data/tool (a
// line neither blank nor a "#" comment); returns the number of rows.
int EachRow(const std::string& file,
            const std::function<void(std::istringstream&, const std::string&)>& check) {
  const std::string table = QUENLOFT_TEST_DATA "/tool/" + file;
  std::istringstream lines(quenloft::testing::ReadFile(table));
  int number = 0, rows = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    check(words, table + ":" + std::to_string(number));
    ++rows;
  }
  return rows;
}

TEST(ToolPatchSelection, EveryRowOfTheGlobTable) {
  EXPECT_GE(EachRow("globs.txt", [](std::istringstream& words, const std::string& where) {
    std::string glob, name, patched;
    words >> glob >> name >> patched;
    const PatchSelection selection = glob == "-" ? PatchSelection() : PatchSelection({glob});
    EXPECT_EQ(selection.IsPatched(name) ? "yes" : "no", patched) << where;
  }), 30);
}

TEST(ToolSkinFilter, EveryRowOfTheFilterTable) {
  EXPECT_GE(EachRow("skin-filter.txt", [](std::istringstream& words, const std::string& where) {
    std::string hidden, glob, name, skipped;
    words >> hidden >> glob >> name >> skipped;
    const SkinFilter filter(glob == "-" ? std::vector<std::string>() : std::vector{glob},
                            hidden == "yes");
    EXPECT_EQ(filter.Skips(name) ? "yes" : "no", skipped) << where;
  }), 20);
}

// What quenloft.ini holds, what is only warned about, and what makes it
// unusable (FILE:LINE in every message).
TEST(ToolSkinConfig, SectionsWarningsAndErrors) {
  SkinConfig config;
  std::string error;
  ASSERT_TRUE(ParseSkinConfig("# defaults\r\n[values]\r\n Title = A b \r\n[vars]\nx$$=1=2\n"
                              "[ patch ]\n*.txt\n[exclude]\n; a comment\ndrafts/\n[colours]\n"
                              "red=1\n[prelude]\n  y$$ = Concat('a', 'b')  \n",
                              "s.ini", &config, &error))
      << error;
  EXPECT_EQ(config.values, (std::vector<NamedValue>{{"System.Title", "A b"}}));
  EXPECT_EQ(config.variables, (std::vector<NamedValue>{{"x$$", "1=2"}}));
  EXPECT_EQ(config.patch_globs, std::vector<std::string>{"*.txt"});
  EXPECT_EQ(config.exclude_globs, std::vector<std::string>{"drafts/"});
  EXPECT_EQ(config.prelude, std::vector<std::string>{"y$$ = Concat('a', 'b')"});
  ASSERT_EQ(config.warnings.size(), 1u);
  EXPECT_EQ(config.warnings[0].rfind("s.ini:11: unknown section [colours]", 0), 0u)
      << config.warnings[0];

  const std::pair<const char*, const char*> malformed[] = {
      {"Title=x\n", "s.ini:1: a line before the first [SECTION]"},
      {"[values]\n\n[vars\n", "s.ini:3: expected [SECTION]"},
      {"[vars]\nno sign\n", "s.ini:2: expected NAME=VALUE"},
      {"[values]\n=x\n", "s.ini:2: expected NAME=VALUE"},
  };
  for (const auto& [text, message] : malformed) {
    SkinConfig bad;
    EXPECT_FALSE(ParseSkinConfig(text, "s.ini", &bad, &error)) << text;
    EXPECT_EQ(error.rfind(message, 0), 0u) << error;
  }
  EXPECT_EQ(PreludeLines("# c\n a = 'x' \r\n\n;c\nb\n"), (std::vector<std::string>{"a = 'x'", "b"}));
}

TEST(ToolSkinText, EveryRowOfTheMarkerTable) {
  EXPECT_GE(EachRow("skin-text.txt", [](std::istringstream& words, const std::string& where) {
    std::string markers, reaches_out, name, text;
    std::getline(words >> markers >> reaches_out >> name >> std::ws, text);
    EXPECT_EQ(MayHoldMarkers(text, name) ? "yes" : "no", markers) << where;
    EXPECT_EQ(MayAffectOtherFiles(text) ? "yes" : "no", reaches_out) << where;
  }), 15);
  // A zero byte keeps the file unchanged.
  EXPECT_FALSE(MayHoldMarkers(std::string("<!--%x%-->\0", 11), "a.htm"));
}

// Only what the library evaluates counts: the text inside the markers of
// the file's type, escape pairs included.
TEST(ToolSkinText, OnlyMarkersAffectOtherFiles) {
  const struct {
    const char* name;
    const char* text;
    bool affects;
  } rows[] = {
      {"a.js", "t.Transform(); g$$ = 1; /*%x$$%*/", false},
      {"a.js", "/*%Transform(a)%*/", true},
      {"a.js", "<!--%SaveToFile('x')%-->", false},
      {"a.js", "%%%SaveToFile('x')%%%", true},
      {"a.htm", "<!--%x%--> g$$ = 'v' <!--%y%-->", false},
      {"a.htm", "<!--%g$$ = 'v'%-->", true},
      {"a.htm", "<!--%'\\%-->' LoadFromFile('x')%-->", true},
      {"a.htm", "<!--% SaveToFile('x') without an end", false},
      {".htm", "<!--%x%--> t.Transform()", true},  // type unsettled: the whole text
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SurveyText(row.text, row.name, 0).may_affect_other_files, row.affects)
        << row.name << ": " << row.text;
  }
}

TEST(ToolSkinText, EveryRowOfTheReachTable) {
  EXPECT_GE(EachRow("marker-reach.txt", [](std::istringstream& words, const std::string& where) {
    std::string reaches, statement;
    std::getline(words >> reaches >> std::ws, statement);
    EXPECT_EQ(MayReachPastMarker(statement) ? "yes" : "no", reaches) << where;
  }), 10);
}

TEST(ToolSummary, JsonEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"l1\r\nl2\t", "\"l1\\r\\nl2\\t\""},
      {std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},  // UTF-8 passes through
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json);
}

// Names sorted, with "/"; a link back into the skin does not make the walk
// endless. The manager hands names back with backslashes.
TEST(ToolFolderSource, ListsFilesSortedAndGivesSourcePaths) {
  quenloft::testing::ScratchFolder skin;
  quenloft::testing::WriteFile(skin / "b.htm", "b");
  quenloft::testing::WriteFile(skin / "a/z.css", "z");
  quenloft::testing::WriteFile(skin / "a/y/x.js", "x");
#ifndef _WIN32  // links need a privilege there
  std::filesystem::create_directory_symlink(skin.path(), skin / "a/loop");
#endif
  const std::string folder = skin.path() + "/";
  auto source = FolderSource::Make(folder);
  std::string listed;
  quenloft::testing::HostString name;
  int32_t position = 0;
  for (int32_t rc = source->GetFirstName(&name, &position); rc == 0 && !name.text().empty();
       rc = source->GetNextName(&name, &position)) {
    listed += name.text() + " ";
  }
  EXPECT_EQ(listed, "a/y/x.js a/z.css b.htm ");
  quenloft::testing::HostString path;
  EXPECT_EQ(source->GetSourcePath(&path, "a\\y\\x.js"), 0);
  EXPECT_EQ(path.text(), folder + "a/y/x.js");
  EXPECT_EQ(source->GetSourcePath(nullptr, "b.htm"), 1);
  EXPECT_EQ(source->GetNextName(&name, nullptr), 1);
}

bool g_stopped = false;
bool Stopped() { return g_stopped; }

// The copy pass asks for every file's path; an empty answer makes it skip
// the rest.
TEST(ToolFolderSource, AnswersNoPathOnceStopped) {
  quenloft::testing::ScratchFolder skin;
  quenloft::testing::WriteFile(skin / "a.htm", "a");
  const std::string folder = skin.path() + "/";
  auto source = FolderSource::Make(folder, ListSkinFiles(folder), Stopped);
  quenloft::testing::HostString path;
  EXPECT_EQ(source->GetSourcePath(&path, "a.htm"), 0);
  EXPECT_EQ(path.text(), folder + "a.htm");
  g_stopped = true;
  EXPECT_EQ(source->GetSourcePath(&path, "a.htm"), 1);
  EXPECT_EQ(path.text(), "");
  g_stopped = false;
}

// The host as the library uses it: asked for ITplDiagnostics, told a
// diagnostic and then the message it explains. The diagnostic is shown in
// place of that message, named as the skin's file with its line; a warning
// explains nothing, a record shorter than the tool knows is skipped, and a
// message with no diagnostic before it is shown as it is. All count.
TEST(ToolConsoleHost, ShowsADiagnosticInPlaceOfTheMessageItExplains) {
  quenloft::testing::ScratchFolder skin;
  quenloft::testing::WriteFile(skin / "a.htm", "<p>\r\n\t<!--%Nope(1)%-->\r\n");
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  HostOptions options;
  options.style = ProgressStyle::kQuiet;
  options.result_folder = "/out/";
  options.shown_skin = "skin/";
  options.source_folder = skin.path() + "/";
  const auto host = ConsoleHost::Make(options, stream);
  const auto callback = quenloft::ComPtr<ITplHostCallback>::retain(host.get());
  const auto diagnostics = callback.query<ITplDiagnostics>();
  ASSERT_TRUE(diagnostics);
  TplDiagnostic error = {sizeof(TplDiagnostic), TPL_DIAGNOSTIC_ERROR, "unknown-name",
                         "\\out\\a.htm", 2, 6, "Nope(1)", "unknown name Nope"};
  TplDiagnostic warning = error;
  warning.severity = TPL_DIAGNOSTIC_WARNING;
  warning.reason = "looks odd";
  TplDiagnostic short_record = error;
  short_record.size = 8;
  const char* message = "Template Error: can not resolve macro: Nope(1) in /out/a.htm\r\n";
  diagnostics->Report(&error);
  callback->Output(message);
  diagnostics->Report(&warning);
  callback->Output(message);
  diagnostics->Report(&short_record);
  diagnostics->Report(nullptr);
  callback->Output(message);
  EXPECT_EQ(host->unresolved(), 3);
  EXPECT_EQ(host->warnings(), 1);
  ASSERT_EQ(host->diagnostics().size(), 2u);
  EXPECT_EQ(host->diagnostics()[0].file, "skin/a.htm");
  std::rewind(stream);
  std::string shown;
  for (int c; (c = std::fgetc(stream)) != EOF;) shown += static_cast<char>(c);
  std::fclose(stream);
  EXPECT_EQ(shown,
            "skin/a.htm:2:6: error: unknown name Nope\n"
            "  \t<!--%Nope(1)%-->\n"
            "  \t    ^\n"
            "skin/a.htm:2:6: warning: looks odd\n"
            "  \t<!--%Nope(1)%-->\n"
            "  \t    ^\n"
            "Template Error: can not resolve macro: Nope(1) in /out/a.htm\n"
            "Template Error: can not resolve macro: Nope(1) in /out/a.htm\n");
}

// Windows has no unsetenv; there an empty value removes the variable,
// which colours the same as an empty one.
void SetNoColor(const char* value) {
#ifdef _WIN32
  _putenv_s("NO_COLOR", value == nullptr ? "" : value);
#else
  if (value == nullptr) {
    unsetenv("NO_COLOR");
  } else {
    setenv("NO_COLOR", value, 1);
  }
#endif
}

TEST(ToolDiagnostics, ColourFollowsTheOptionTheTerminalAndNoColor) {
  struct Row {
    const char* option;
    bool terminal;
    const char* no_color;  // null: unset
    bool coloured;
  };
  const Row rows[] = {
      {"auto", true, nullptr, true},  {"auto", false, nullptr, false},
      {"auto", true, "1", false},     {"auto", true, "", true},
      {"always", false, "1", true},   {"never", true, nullptr, false},
  };
  for (const Row& row : rows) {
    SetNoColor(row.no_color);
    EXPECT_EQ(UseColor(ParseColorMode(row.option), row.terminal), row.coloured)
        << row.option << " " << row.terminal << " " << (row.no_color ? row.no_color : "unset");
  }
  SetNoColor(nullptr);
}

}  // namespace
}  // namespace quenloft_tool
