#include "folder_source.h"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "quenloft/string_object.h"
#include "tool/run_tool.h"

namespace quenloft_tool {
namespace {

namespace fs = std::filesystem;

TEST(ToolFolderSource, ListsFilesSortedAndGivesSourcePaths) {
  tool_test::TempFolder skin;
  tool_test::WriteFile(skin.path() / "b.htm", "b");
  tool_test::WriteFile(skin.path() / "a/z.css", "z");
  tool_test::WriteFile(skin.path() / "a/y/x.js", "x");
#ifndef _WIN32  // links need a privilege there
  // A link back to the skin must not make the walk endless.
  fs::create_directory_symlink(skin.path(), skin.path() / "a/loop");
#endif
  const std::string folder = skin.str() + "/";
  const auto source = FolderSource::Make(folder);

  std::vector<std::string> listed;
  const quenloft::Text name;
  int32_t position = 0;
  for (int32_t rc = source->GetFirstName(name, &position); rc == 0 && !name.text().empty();
       rc = source->GetNextName(name, &position)) {
    listed.push_back(name.text());
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"a/y/x.js", "a/z.css", "b.htm"}));

  // The manager hands names back with backslashes.
  const quenloft::Text path;
  EXPECT_EQ(source->GetSourcePath(path, "a\\y\\x.js"), 0);
  EXPECT_EQ(path.text(), folder + "a/y/x.js");
  EXPECT_EQ(source->GetSourcePath(nullptr, "b.htm"), 1);
  EXPECT_EQ(source->GetNextName(name, nullptr), 1);
}

}  // namespace
}  // namespace quenloft_tool
