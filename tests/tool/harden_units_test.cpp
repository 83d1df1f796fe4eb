// The skin source once Ctrl-C was pressed: the copy pass asks it for every
// file's path, and an empty answer makes the pass skip the rest.
#include <gtest/gtest.h>

#include "fixtures/files.h"
#include "fixtures/host_string.h"
#include "folder_source.h"

namespace quenloft_tool {
namespace {

bool g_stopped = false;
bool Stopped() { return g_stopped; }

TEST(ToolFolderSource, AnswersNoPathOnceStopped) {
  fixtures::ScratchFolder skin;
  fixtures::WriteFile(skin / "a.htm", "a");
  const std::string folder = skin.path() + "/";
  auto source = FolderSource::Make(folder, ListSkinFiles(folder), Stopped);
  fixtures::HostString path;
  EXPECT_EQ(source->GetSourcePath(&path, "a.htm"), 0);
  EXPECT_EQ(path.text(), folder + "a.htm");
  g_stopped = true;
  EXPECT_EQ(source->GetSourcePath(&path, "a.htm"), 1);
  EXPECT_EQ(path.text(), "");
  g_stopped = false;
}

}  // namespace
}  // namespace quenloft_tool
