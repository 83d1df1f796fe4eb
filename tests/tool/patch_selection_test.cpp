#include "patch_selection.h"

#include <gtest/gtest.h>

namespace quenloft_tool {
namespace {

TEST(ToolPatchSelection, DefaultExtensionsAndGlobs) {
  const PatchSelection defaults;
  const PatchSelection globs({"*.txt", "data/*.csv", "README"});
  struct Case {
    const char* name;
    bool by_default;
    bool with_globs;
  };
  const Case cases[] = {
      {"sub/PAGE.HTML", true, true},  // extensions compare in lower case
      {"toc.hhc", true, true},
      {"w.ini", true, true},
      {"logo.png", false, false},
      {"htm", false, false},            // no extension
      {"deep/notes.txt", false, true},  // a glob without "/" matches file names anywhere
      {"data/t.csv", false, true},
      {"other/data/t.csv", false, false},  // a glob with "/" matches the whole name
      {"README", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(defaults.IsPatched(c.name), c.by_default);
    EXPECT_EQ(globs.IsPatched(c.name), c.with_globs);
  }
}

// The tool matches wildcards itself, as fnmatch() would, on every platform.
TEST(ToolPatchSelection, WildcardsAsTheShellHasThem) {
  struct Case {
    const char* glob;
    const char* name;
    bool patched;
  };
  const Case cases[] = {
      {"?.dat", "a.dat", true},
      {"?.dat", "ab.dat", false},
      {"[a-c]*.dat", "b1.dat", true},
      {"[a-c]*.dat", "d1.dat", false},
      {"[!a]*.dat", "a1.dat", false},
      {"[^a]*.dat", "b1.dat", true},
      {"[]x].dat", "].dat", true},  // a leading "]" is a member
      {"[\\]].dat", "].dat", true},  // so is an escaped one
      {"[a-.dat", "[a-.dat", true},  // an unclosed "[" is itself
      {"\\*.dat", "*.dat", true},  // an escaped "*" is itself
      {"\\*.dat", "x.dat", false},
      {"x.dat\\", "x.dat\\", false},  // a "\" that ends the glob matches nothing
      {"[[:digit:]]*.dat", "1a.dat", true},
      {"[![:digit:]_]*.dat", "1a.dat", false},
      {"a*b*c.dat", "axxbyybc.dat", true},  // the later "*" takes up the rest
      {"a*b*c.dat", "axxbyy.dat", false},
      {"data/*", "data/x", true},
      {"data/*", "data/x/y", false},  // with "/" no wildcard crosses a folder
      {"*/*.csv", "a/b.csv", true},
      {"*/*.csv", "a/b/c.csv", false},
      {"d?ta/[a-z].csv", "d/ta/x.csv", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.glob) + " " + c.name);
    EXPECT_EQ(PatchSelection({c.glob}).IsPatched(c.name), c.patched);
  }
}

}  // namespace
}  // namespace quenloft_tool
