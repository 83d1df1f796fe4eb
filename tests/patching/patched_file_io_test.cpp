// The patched file and its files, as a host meets them: through a manager's
// CreatePatchedFile and PatchFile. Files are compared byte for byte.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "frame/com_ptr.h"
#include "inhouse/scratch_folder.h"
#include "quenloft/quenloft.h"
#include "support/text.h"

namespace quenloft {
namespace {

using inhouse_test::NamesIn;
using inhouse_test::ReadFile;
using inhouse_test::ScratchFolder;
using inhouse_test::WriteFile;
using namespace std::string_literals;

class PatchedFileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    ASSERT_EQ(CreateTemplateManagerInstance(manager_.put()), 0);
    services_ = manager_.query<ITplMacroServices>(IID_ITplMacroServices);
    ASSERT_TRUE(services_);
  }

  ComPtr<ITplPatchedFile> NewFile() {
    ComPtr<ITplPatchedFile> file;
    EXPECT_EQ(services_->CreatePatchedFile(file.put()), 0);
    return file;
  }

  static std::string TextOf(ITplPatchedFile* file) {
    testing::Text s;
    file->GetText(s);
    return s.text();
  }
  static std::string NameOf(ITplPatchedFile* file) {
    testing::Text s;
    EXPECT_EQ(file->GetFileName(s), 0);
    return s.text();
  }

  ScratchFolder folder_;
  ComPtr<ITplManager> manager_;
  ComPtr<ITplMacroServices> services_;
};

// The text ends at the first zero byte, but saving and patching keep every
// byte of the file, and plain text that looks like delimiters stays as it was.
TEST_F(PatchedFileIo, LoadSaveAndPatchKeepEveryByte) {
  std::string all_bytes;
  for (int b = 0; b < 256; ++b) all_bytes += static_cast<char>(b);
  const std::string cases[] = {
      "",
      "plain\r\n<html>50% of <!-- a comment --> a;b /* c */</html>\n",
      std::string(1 << 20, 'x') + "end",
      "abc\0%%%Output('x')%%%def"s,
      // "<!--%Output('a')%-->" as UTF-16 with its byte-order mark.
      "\xFF\xFE<\0!\0-\0-\0%\0O\0u\0t\0p\0u\0t\0(\0'\0a\0'\0)\0%\0-\0-\0>\0"s,
      all_bytes + "%%%Output('x')%%%",
  };
  for (const std::string& content : cases) {
    const std::string path = folder_ / "page.htm";
    const std::string copy = folder_ / "copy.htm";
    WriteFile(path, content);
    ComPtr<ITplPatchedFile> file = NewFile();
    EXPECT_EQ(file->LoadFromFile(path.c_str()), 0);
    EXPECT_EQ(NameOf(file.get()), path);
    EXPECT_EQ(TextOf(file.get()), content.substr(0, content.find('\0')));
    EXPECT_EQ(file->SaveToFile(path.c_str()), 0);
    EXPECT_EQ(file->SaveToFile(copy.c_str()), 0);
    EXPECT_EQ(ReadFile(path), content);
    EXPECT_EQ(ReadFile(copy), content);
    EXPECT_EQ(manager_->PatchFile(path.c_str()), 0);
    EXPECT_EQ(ReadFile(path), content);
    EXPECT_EQ(NamesIn(folder_.path()), (std::vector<std::string>{"copy.htm", "page.htm"}));
  }
}

// Nothing is written before the file has a name; a missing file or a folder
// changes nothing.
TEST_F(PatchedFileIo, SaveNeedsANameAndMissingFilesChangeNothing) {
  const std::string missing = folder_ / "missing.htm";
  const std::string target = folder_ / "target.txt";
  ComPtr<ITplPatchedFile> file = NewFile();
  file->SetText("content");
  EXPECT_EQ(file->SaveToFile(target.c_str()), 0);
  EXPECT_EQ(file->LoadFromFile(missing.c_str()), 0);
  EXPECT_EQ(NameOf(file.get()), "");
  EXPECT_TRUE(NamesIn(folder_.path()).empty());

  file->SetFileName("named.txt");
  EXPECT_EQ(file->LoadFromFile(missing.c_str()), 0);
  EXPECT_EQ(TextOf(file.get()), "content");
  EXPECT_EQ(NameOf(file.get()), "named.txt");
  EXPECT_EQ(manager_->PatchFile(missing.c_str()), 1);
  EXPECT_EQ(manager_->PatchFile(nullptr), 1);
  EXPECT_TRUE(NamesIn(folder_.path()).empty());
  EXPECT_EQ(file->SaveToFile(target.c_str()), 0);
  EXPECT_EQ(ReadFile(target), "content");

  const std::string sub = folder_ / "sub.htm";
  ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
  EXPECT_EQ(file->LoadFromFile(sub.c_str()), 0);
  EXPECT_EQ(NameOf(file.get()), "named.txt");
  EXPECT_EQ(manager_->PatchFile(sub.c_str()), 1);
  EXPECT_EQ(NamesIn(folder_.path()), (std::vector<std::string>{"sub.htm", "target.txt"}));
}

// Makes a file unreadable for the rest of the scope. Root reads any file
// whatever its mode, so as root the effective user becomes "nobody" (the
// saved user stays root, which brings it back).
class Unreadable {
 public:
  explicit Unreadable(const std::string& folder, const std::string& file) {
    // The folder stays writable for the new user, so that a wrong write over
    // the file would succeed and show.
    ok_ = ::chmod(folder.c_str(), 0777) == 0 && ::chmod(file.c_str(), 0200) == 0;
    if (ok_ && ::geteuid() == 0) ok_ = switched_ = ::seteuid(65534) == 0;
  }
  ~Unreadable() {
    if (switched_ && ::seteuid(0) != 0) std::abort();
  }
  Unreadable(const Unreadable&) = delete;
  Unreadable& operator=(const Unreadable&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
  bool switched_ = false;
};

TEST_F(PatchedFileIo, UnreadableFileIsNeverWrittenOver) {
  const std::string path = folder_ / "locked.htm";
  WriteFile(path, "original content");
  {
    Unreadable locked(folder_.path(), path);
    if (!locked.ok()) GTEST_SKIP() << "cannot make a file unreadable here";
    ComPtr<ITplPatchedFile> file = NewFile();
    EXPECT_EQ(file->LoadFromFile(path.c_str()), 0);
    EXPECT_EQ(TextOf(file.get()), "");
    EXPECT_EQ(NameOf(file.get()), "");
    EXPECT_EQ(file->SaveToFile(path.c_str()), 0);
    EXPECT_EQ(manager_->PatchFile(path.c_str()), 0);
  }
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadFile(path), "original content");
  EXPECT_EQ(NamesIn(folder_.path()), std::vector<std::string>{"locked.htm"});
}

// A file size limit makes the write itself fail, for root as well.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previous_handler_ = ::signal(SIGXFSZ, SIG_IGN);  // EFBIG instead of the signal
    ok_ = ::getrlimit(RLIMIT_FSIZE, &previous_) == 0;
    if (ok_) {
      struct rlimit limit = previous_;
      limit.rlim_cur = bytes;
      ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
  }
  ~FileSizeLimit() {
    if (ok_) ::setrlimit(RLIMIT_FSIZE, &previous_);
    ::signal(SIGXFSZ, previous_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  struct rlimit previous_ {};
  sighandler_t previous_handler_;
  bool ok_ = false;
};

TEST_F(PatchedFileIo, FailedWriteLeavesTheOldFileWhole) {
  const std::string path = folder_ / "page.txt";
  const std::string old_content = "old content that must survive\n";
  WriteFile(path, old_content);
  ComPtr<ITplPatchedFile> file = NewFile();
  file->SetText(std::string(64 * 1024, 'n').c_str());
  file->SetFileName(path.c_str());
  {
    FileSizeLimit limit(1024);
    ASSERT_TRUE(limit.ok());
    EXPECT_EQ(file->SaveToFile(path.c_str()), 0);
  }
  EXPECT_EQ(ReadFile(path), old_content);
  EXPECT_EQ(NamesIn(folder_.path()), std::vector<std::string>{"page.txt"});
}

}  // namespace
}  // namespace quenloft
