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

}  // namespace
}  // namespace quenloft_tool
