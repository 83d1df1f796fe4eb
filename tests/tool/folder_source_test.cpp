#include "folder_source.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/host_objects.h"

namespace quenloft_tool {
namespace {

using quenloft::testing::HostString;

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
  HostString name;
  int32_t position = 0;
  for (int32_t rc = source->GetFirstName(&name, &position); rc == 0 && !name.text().empty();
       rc = source->GetNextName(&name, &position)) {
    listed += name.text() + " ";
  }
  EXPECT_EQ(listed, "a/y/x.js a/z.css b.htm ");
  HostString path;
  EXPECT_EQ(source->GetSourcePath(&path, "a\\y\\x.js"), 0);
  EXPECT_EQ(path.text(), folder + "a/y/x.js");
  EXPECT_EQ(source->GetSourcePath(nullptr, "b.htm"), 1);
  EXPECT_EQ(source->GetNextName(&name, nullptr), 1);
}

}  // namespace
}  // namespace quenloft_tool
