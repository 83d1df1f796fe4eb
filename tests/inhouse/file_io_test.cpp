// Files of the in-house libraries. Whole-file writes (SaveToFile and
// pmtkCopyFile) make or replace their target in one step, or leave it as it
// was with no temporary file beside it; a failed read is told from an empty
// file. This program links their code over the OS layer with failure
// injection, so the tests also stage what real files cannot do on demand.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "CorvaskUtils/CorvaskUtils.h"
#include "TAVLOR/ByteString.h"
#include "os/fault_injection.h"
#include "pmtkWin32FileServices/FileServices.h"
#include "support/files.h"
#include "support/texts.h"

namespace inhouse_test {
namespace {

namespace fs = std::filesystem;
namespace faults = inhouse::os::faults;
using faults::Call;
using namespace quenloft::testing;

bool RunningAsRoot() { return ::geteuid() == 0; }  // root reads and writes anything
unsigned ModeOf(const std::string& path) {
  return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::mask);
}

// pmtkCopyFile writes from a source that is deleted again afterwards, so
// that only what the write left stays in the folder.
struct Writer {
  const char* name;
  int (*write)(const ScratchFolder& folder, const std::string& target, const std::string& bytes);
};
const Writer kWriters[] = {
    {"SaveToFile",
     [](const ScratchFolder&, const std::string& target, const std::string& bytes) {
       return CByteString(bytes.data(), bytes.size()).SaveToFile(target.c_str());
     }},
    {"pmtkCopyFile",
     [](const ScratchFolder& folder, const std::string& target, const std::string& bytes) {
       WriteFile(folder / ".source", bytes);
       const int result = pmtkCopyFile((folder / ".source").c_str(), target.c_str(), 0);
       pmtkDeleteFile((folder / ".source").c_str());
       return result;
     }}};
void PrintTo(const Writer& writer, std::ostream* out) { *out << writer.name; }

class WholeFileWrite : public testing::TestWithParam<Writer> {
 protected:
  ~WholeFileWrite() override { faults::Reset(); }
  int WriteTo(const std::string& target, const std::string& bytes) {
    return GetParam().write(scratch_, target, bytes);
  }
  Tree Files() const { return ReadTree(scratch_.path()); }
  ScratchFolder scratch_;
};

TEST_P(WholeFileWrite, MakesNewAndReplacesOldWhole) {
  const std::string bytes("new\0content", 11);
  ASSERT_EQ(WriteTo(scratch_.path() + "\\fresh.htm", bytes), 1);
  WriteFile(scratch_ / "old.htm", "a much longer old content");
  ASSERT_EQ(WriteTo(scratch_ / "old.htm", "short"), 1);
  EXPECT_EQ(Files(), (Tree{{"fresh.htm", bytes}, {"old.htm", "short"}}));
  ASSERT_EQ(WriteTo(scratch_ / "old.htm", ""), 1);
  EXPECT_EQ(Files(), (Tree{{"fresh.htm", bytes}, {"old.htm", ""}}));
}

TEST_P(WholeFileWrite, RefusedTargetStaysAsItWas) {
  WriteFile(scratch_ / "folder/inside", "kept");
  for (const std::string& target : {scratch_ / "folder", scratch_ / "folder/", scratch_ / "no/a"}) {
    EXPECT_EQ(WriteTo(target, "x"), 0) << target;
    EXPECT_EQ(Files(), (Tree{{"folder/inside", "kept"}})) << target;
    EXPECT_FALSE(fs::exists(scratch_ / "no")) << target;  // no folder made either
  }
  if (RunningAsRoot()) return;
  WriteFile(scratch_ / "folder/a.htm", "old");
  ::chmod((scratch_ / "folder").c_str(), 0555);
  EXPECT_EQ(WriteTo(scratch_ / "folder/a.htm", "new"), 0);
  EXPECT_EQ(Files(), (Tree{{"folder/a.htm", "old"}, {"folder/inside", "kept"}}));
  ::chmod((scratch_ / "folder").c_str(), 0755);
}

TEST_P(WholeFileWrite, FailedCallLeavesTheOldFileWhole) {
  const struct { const char* label; Call call; int nth, error; bool written; } cases[] = {
      {"create refused", Call::kCreate, 1, EACCES, false},
      {"first temporary name taken", Call::kCreate, 1, EEXIST, true},
      {"disk full at the second write", Call::kWrite, 2, ENOSPC, false},
      {"close reports a lost write", Call::kClose, 1, EIO, false},
      {"rename refused", Call::kRename, 1, EACCES, false}};
  const std::string target = scratch_ / "page.htm", fresh(100, 'n');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    WriteFile(target, "old");
    faults::LimitTransfers(16);  // the content takes several calls
    faults::FailCall(c.call, c.nth, c.error);
    EXPECT_EQ(WriteTo(target, fresh), c.written ? 1 : 0);
    faults::Reset();
    EXPECT_EQ(Files(), (Tree{{"page.htm", c.written ? fresh : "old"}}));
  }
}

// A process killed between writing and renaming leaves its temporary file
// behind: hosts recognise it by its name (CorvaskUtils), and no other file.
TEST_P(WholeFileWrite, KilledWriteLeavesANameHostsRecognise) {
  for (const std::string& name : {std::string("a.htm"), std::string(".a"), std::string(99, 'x')}) {
    WriteFile(scratch_ / name, "old");
    faults::FailCall(Call::kRename, 1, EIO);
    faults::FailCall(Call::kRemove, 1, EIO);
    EXPECT_EQ(WriteTo(scratch_ / name, "new"), 0);
    Tree files = Files();
    EXPECT_EQ(files[name], "old");
    files.erase(name);
    ASSERT_EQ(files.size(), 1u) << name;
    const std::string left = files.begin()->first;
    EXPECT_EQ(Codes({IsLeftoverTempFileName(left.c_str()), IsLeftoverTempFileName(name.c_str())}),
              "1,0")
        << left;
    fs::remove(scratch_ / left);
    fs::remove(scratch_ / name);
  }
}

// A link at the target is replaced: what it names, which may lie anywhere,
// is neither written nor asked for its permissions.
TEST_P(WholeFileWrite, KeepsPermissionsAndReplacesLinks) {
  WriteFile(scratch_ / "private", "old");
  ::chmod((scratch_ / "private").c_str(), 0600);
  ASSERT_EQ(WriteTo(scratch_ / "private", "new"), 1);
  EXPECT_EQ(ModeOf(scratch_ / "private"), 0600u);
  fs::create_symlink(scratch_ / "private", scratch_ / "link");
  ASSERT_EQ(WriteTo(scratch_ / "link", "newer"), 1);
  EXPECT_FALSE(fs::is_symlink(scratch_ / "link"));
  EXPECT_EQ(ReadFile(scratch_ / "link") + "|" + ReadFile(scratch_ / "private"), "newer|new");
  EXPECT_EQ(ModeOf(scratch_ / "private"), 0600u);
}

INSTANTIATE_TEST_SUITE_P(Writers, WholeFileWrite, testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ByteStringFiles, LoadTellsAFailedReadFromAnEmptyFile) {
  ScratchFolder scratch;
  const std::string page = std::string("\x00\x01\xFF zero\0", 9) + std::string(90, 'c');
  WriteFile(scratch / "page", page);
  WriteFile(scratch / "empty", "");
  fs::create_directory(scratch / "folder");
  if (!RunningAsRoot()) {
    WriteFile(scratch / "locked", "secret");
    ::chmod((scratch / "locked").c_str(), 0);
  }
  CByteString s("previous", 8);
  faults::LimitTransfers(16);
  faults::FailCall(Call::kRead, 3, EIO);
  for (const std::string& bad : {scratch / "page", scratch / "missing", scratch / "folder",
                                 scratch / "locked", std::string()}) {
    EXPECT_EQ(s.LoadFromFile(bad.empty() ? nullptr : bad.c_str()), 0) << bad;
    EXPECT_STREQ(s.GetContent(), "previous");
  }
  EXPECT_EQ(s.LoadFromFile((scratch.path() + "\\page").c_str()), 1);  // short reads only
  EXPECT_EQ(std::string(s.GetContent(), s.GetLength()), page);
  EXPECT_EQ(s.LoadFromFile((scratch / "empty").c_str()), 1);
  EXPECT_TRUE(s.IsEmpty());
  faults::Reset();
}

TEST(FileServices, CopyMakesNewFileWithSourcePermissions) {
  ScratchFolder scratch;
  WriteFile(scratch / "src", "x");
  ::chmod((scratch / "src").c_str(), 0640);
  ASSERT_EQ(pmtkCopyFile((scratch / "src").c_str(), (scratch / "dst").c_str(), 0), 1);
  EXPECT_EQ(ModeOf(scratch / "dst"), 0640u);
}

TEST(FileServices, CopyFallsBackToReadingOnlyBeforeItsFirstByte) {
  ScratchFolder scratch;
  const std::string src = scratch / "src", dst = scratch / "dst", content(100, 's');
  WriteFile(src, content);
  WriteFile(dst, "old");
  faults::LimitTransfers(16);
  faults::FailCall(Call::kWrite, 2, EXDEV);  // after the first bytes: fails
  EXPECT_EQ(pmtkCopyFile(src.c_str(), dst.c_str(), 0), 0);
  EXPECT_EQ(ReadFile(dst), "old");
  faults::FailCall(Call::kWrite, 1, EXDEV);  // the kernel cannot copy at all
  EXPECT_EQ(pmtkCopyFile(src.c_str(), dst.c_str(), 0), 1);
  faults::Reset();
  EXPECT_EQ(ReadTree(scratch.path()), (Tree{{"dst", content}, {"src", content}}));
}

#ifndef _WIN32
// Holes stay holes, the one at the end too, where the file system has them.
TEST(FileServices, CopyKeepsHolesAndBytes) {
  ScratchFolder scratch;
  const std::string src = scratch / "src", dst = scratch / "dst";
  constexpr off_t kMiB = 1 << 20;
  {
    std::ofstream out(src, std::ios::binary);
    out << "head";
    out.seekp(8 * kMiB);
    out << "tail";
  }
  std::filesystem::resize_file(src, 16 * kMiB);
  EXPECT_EQ(pmtkCopyFile(src.c_str(), dst.c_str(), 0), 1);
  EXPECT_EQ(ReadFile(dst), ReadFile(src));
  struct stat source_status {}, copy_status {};
  ASSERT_EQ(::stat(src.c_str(), &source_status), 0);
  ASSERT_EQ(::stat(dst.c_str(), &copy_status), 0);
  if (source_status.st_blocks * 512 < kMiB) {
    EXPECT_LT(copy_status.st_blocks * 512, kMiB);
  }
}
#endif

TEST(FileServices, RefusedCopiesAndDeletes) {
  ScratchFolder scratch;
  WriteFile(scratch / "src", "new");
  WriteFile(scratch / "dst", "old");
  fs::create_directory(scratch / "folder");
  const std::string src = scratch / "src", dst = scratch / "dst", folder = scratch / "folder";
  EXPECT_EQ(Codes({pmtkCopyFile((scratch / "missing").c_str(), dst.c_str(), 0),
                   pmtkCopyFile(folder.c_str(), dst.c_str(), 0),
                   pmtkCopyFile(src.c_str(), dst.c_str(), 1),  // flags are reserved
                   pmtkCopyFile(nullptr, dst.c_str(), 0), pmtkCopyFile(src.c_str(), nullptr, 0),
                   CByteString("x", 1).SaveToFile(nullptr), pmtkDeleteFile(folder.c_str()),
                   pmtkDeleteFile(nullptr), pmtkDeleteFile((scratch.path() + "\\src").c_str()),
                   pmtkDeleteFile(src.c_str())}),
            "0,0,0,0,0,0,0,0,1,0");
  EXPECT_EQ(ReadTree(scratch.path()), (Tree{{"dst", "old"}}));
  EXPECT_TRUE(fs::is_directory(folder));
}

}  // namespace
}  // namespace inhouse_test
