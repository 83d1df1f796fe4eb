#include "patch_selection.h"

#include <gtest/gtest.h>

namespace quenloft_tool {
namespace {

// The default extensions, compared in lower case, and globs besides them,
// matched by the tool itself as fnmatch() would on every platform: a glob
// without "/" matches file names anywhere, one with "/" the whole name.
TEST(ToolPatchSelection, ExtensionsAndGlobs) {
  const struct {
    const char* glob;  // null: the defaults only
    const char* name;
    bool patched;
  } cases[] = {
      {nullptr, "sub/PAGE.HTML", true}, {nullptr, "toc.hhc", true},
      {nullptr, "w.ini", true},         {nullptr, "logo.png", false},
      {nullptr, "htm", false},  // no extension
      {"*.txt", "sub/PAGE.HTML", true}, {"*.txt", "deep/notes.txt", true},
      {"data/*.csv", "data/t.csv", true}, {"data/*.csv", "other/data/t.csv", false},
      {"README", "README", true},       {"?.dat", "a.dat", true},
      {"?.dat", "ab.dat", false},       {"[a-c]*.dat", "b1.dat", true},
      {"[a-c]*.dat", "d1.dat", false},  {"[!a]*.dat", "a1.dat", false},
      {"[^a]*.dat", "b1.dat", true},    {"[]x].dat", "].dat", true},  // a leading "]" is a member
      {"[\\]].dat", "].dat", true},     // so is an escaped one
      {"[a-.dat", "[a-.dat", true},     // an unclosed "[" is itself
      {"\\*.dat", "*.dat", true},       // an escaped "*" is itself
      {"\\*.dat", "x.dat", false},
      {"x.dat\\", "x.dat\\", false},  // a "\" that ends the glob matches nothing
      {"[[:digit:]]*.dat", "1a.dat", true}, {"[![:digit:]_]*.dat", "1a.dat", false},
      {"a*b*c.dat", "axxbyybc.dat", true},  // the later "*" takes up the rest
      {"a*b*c.dat", "axxbyy.dat", false},   {"data/*", "data/x", true},
      {"data/*", "data/x/y", false},  // no wildcard crosses a folder
      {"*/*.csv", "a/b.csv", true},         {"*/*.csv", "a/b/c.csv", false},
      {"d?ta/[a-z].csv", "d/ta/x.csv", false},
  };
  for (const auto& c : cases) {
    const PatchSelection selection = c.glob != nullptr ? PatchSelection({c.glob}) : PatchSelection();
    EXPECT_EQ(selection.IsPatched(c.name), c.patched) << (c.glob ? c.glob : "") << " " << c.name;
  }
}

}  // namespace
}  // namespace quenloft_tool
