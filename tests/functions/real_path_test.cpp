// RealPath and IsWithin on their own: where a path leads, through "..",
// links and missing folders, and whether it lies in a folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "inhouse/scratch_folder.h"
#include "platform/real_path.h"

namespace quenloft::platform {
namespace {

using inhouse_test::ScratchFolder;
using inhouse_test::WriteFile;

// Links need a privilege on Windows; tests that need one skip without it.
bool MakeLink(const std::string& target, const std::string& link) {
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  return !error;
}

std::string Slashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

class RealPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(scratch_ / "in/a");
    std::filesystem::create_directories(outside_ / "deep");
    WriteFile(scratch_ / "in/a/b.txt", "b");
    WriteFile(outside_ / "f.txt", "f");
    in_ = Real(scratch_ / "in");
    out_ = Real(outside_.path());
  }
  // The real path with "/" separators; "(none)" when there is none.
  static std::string Real(const std::string& path, LastLink last = LastLink::kFollow) {
    const std::optional<std::string> real = RealPath(path, last);
    return real ? Slashes(*real) : "(none)";
  }

  ScratchFolder scratch_, outside_;
  std::string in_, out_;
};

TEST_F(RealPathTest, DotsSeparatorsAndMissingParts) {
  const std::string in = scratch_ / "in";
  const struct {
    std::string path, expected;
  } cases[] = {
      {in + "/a/b.txt", in_ + "/a/b.txt"},
      {Slashes(in) + "\\a\\b.txt", in_ + "/a/b.txt"},
      {in + "//a/./b.txt", in_ + "/a/b.txt"},
      {in + "/a/../a/b.txt/", in_ + "/a/b.txt"},
      {in + "/missing/deeper/x.txt", in_ + "/missing/deeper/x.txt"},
      {in + "/missing/../a/x.txt", in_ + "/a/x.txt"},
      {in + "/a/b.txt/below", in_ + "/a/b.txt/below"},  // below a file: nothing there
      {in + "/a/../../in/a", in_ + "/a"},
      {"relative/a.txt", "(none)"},
      {"", "(none)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Real(c.path), c.expected) << c.path;
}

// A link goes where it leads, ".." after it to the parent of its target, as
// the system takes it; a link in the last component is kept when asked.
TEST_F(RealPathTest, LinksAreFollowedOrKept) {
  const std::string in = scratch_ / "in";
  if (!MakeLink(outside_.path(), in + "/out")) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(MakeLink(in + "/a", in + "/near"));
  ASSERT_TRUE(MakeLink(outside_ / "f.txt", in + "/file"));
  ASSERT_TRUE(MakeLink(outside_ / "gone/x.txt", in + "/dangling"));
  ASSERT_TRUE(MakeLink(in + "/loop", in + "/loop"));
  const std::string parent_of_out = Slashes(std::filesystem::path(out_).parent_path().string());
  const struct {
    std::string path;
    LastLink last;
    std::string expected;
  } cases[] = {
      {in + "/near/b.txt", LastLink::kFollow, in_ + "/a/b.txt"},
      {in + "/out/deep/new.txt", LastLink::kKeep, out_ + "/deep/new.txt"},
      {in + "/out/../x", LastLink::kFollow, parent_of_out + "/x"},
      {in + "/file", LastLink::kFollow, out_ + "/f.txt"},
      {in + "/file", LastLink::kKeep, in_ + "/file"},
      {in + "/out", LastLink::kKeep, in_ + "/out"},
      {in + "/dangling", LastLink::kKeep, in_ + "/dangling"},
      {in + "/dangling", LastLink::kFollow, "(none)"},
      {in + "/dangling/x", LastLink::kKeep, "(none)"},
      {in + "/loop/x", LastLink::kFollow, "(none)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Real(c.path, c.last), c.expected) << c.path;
}

TEST(IsWithin, ComponentsCountNotBytes) {
  const struct {
    std::string path, folder;
    bool inside;
  } cases[] = {
      {"/a/b", "/a", true},   {"/a", "/a", true},   {"/a/b", "/", true},
      {"/ab", "/a", false},   {"/a", "/a/b", false}, {"/a", "", false},
  };
  // Real paths have the system's separators.
  const auto native = [](std::string path) {
#ifdef _WIN32
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
#endif
    return path;
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsWithin(native(c.path), native(c.folder)), c.inside) << c.path << " " << c.folder;
}

}  // namespace
}  // namespace quenloft::platform
