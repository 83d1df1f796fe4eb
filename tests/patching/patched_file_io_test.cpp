// The patched file and its files, as a host meets them: through a manager's
// CreatePatchedFile and PatchFile. Files are compared byte for byte.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "frame/com_ptr.h"
#include "inhouse/scratch_folder.h"
#include "quenloft/quenloft.h"
#include "support/codes.h"
#include "support/file_size_limit.h"
#include "support/text.h"

namespace quenloft {
namespace {

using inhouse_test::NamesIn;
using inhouse_test::ReadFile;
using inhouse_test::WriteFile;
using testing::Codes;
using Names = std::vector<std::string>;
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

  // "name|text" of a file.
  static std::string Held(ITplPatchedFile* file) {
    testing::Text name, text;
    EXPECT_EQ(file->GetFileName(name), 0);
    file->GetText(text);
    return name.text() + "|" + text.text();
  }

  inhouse_test::ScratchFolder folder_;
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
  const std::string path = folder_ / "page.htm";
  const std::string copy = folder_ / "copy.htm";
  for (const std::string& content : cases) {
    WriteFile(path, content);
    ComPtr<ITplPatchedFile> file = NewFile();
    EXPECT_EQ(file->LoadFromFile(path.c_str()), 0);
    EXPECT_EQ(Held(file.get()), path + "|" + content.substr(0, content.find('\0')));
    EXPECT_EQ(Codes({file->SaveToFile(path.c_str()), file->SaveToFile(copy.c_str())}), "0,0");
    EXPECT_EQ(ReadFile(path), content);
    EXPECT_EQ(ReadFile(copy), content);
    EXPECT_EQ(manager_->PatchFile(path.c_str()), 0);
    EXPECT_EQ(ReadFile(path), content);
    EXPECT_EQ(NamesIn(folder_.path()), (Names{"copy.htm", "page.htm"}));
  }
}

// Nothing is written before the file has a name; a missing file or a folder
// changes nothing.
TEST_F(PatchedFileIo, SaveNeedsANameAndMissingFilesChangeNothing) {
  const std::string missing = folder_ / "missing.htm";
  const std::string target = folder_ / "target.txt";
  ComPtr<ITplPatchedFile> file = NewFile();
  file->SetText("content");
  EXPECT_EQ(Codes({file->SaveToFile(target.c_str()), file->LoadFromFile(missing.c_str())}), "0,0");
  EXPECT_EQ(Held(file.get()), "|content");
  EXPECT_TRUE(NamesIn(folder_.path()).empty());

  file->SetFileName("named.txt");
  EXPECT_EQ(Codes({file->LoadFromFile(missing.c_str()), manager_->PatchFile(missing.c_str()),
                   manager_->PatchFile(nullptr)}),
            "0,1,1");
  EXPECT_EQ(Held(file.get()), "named.txt|content");
  EXPECT_TRUE(NamesIn(folder_.path()).empty());
  EXPECT_EQ(file->SaveToFile(target.c_str()), 0);
  EXPECT_EQ(ReadFile(target), "content");

  const std::string sub = folder_ / "sub.htm";
  ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
  EXPECT_EQ(Codes({file->LoadFromFile(sub.c_str()), manager_->PatchFile(sub.c_str())}), "0,1");
  EXPECT_EQ(Held(file.get()), "named.txt|content");
  EXPECT_EQ(NamesIn(folder_.path()), (Names{"sub.htm", "target.txt"}));
}

TEST_F(PatchedFileIo, UnreadableFileIsNeverWrittenOver) {
  const std::string path = folder_ / "locked.htm";
  WriteFile(path, "original content");
  // The folder stays writable, so that a wrong write over the file would
  // succeed and show. Root reads any file whatever its mode, so as root the
  // effective user becomes "nobody" meanwhile (the saved user stays root).
  const bool as_root = ::geteuid() == 0;
  if (::chmod(folder_.path().c_str(), 0777) != 0 || ::chmod(path.c_str(), 0200) != 0 ||
      (as_root && ::seteuid(65534) != 0)) {
    GTEST_SKIP() << "cannot make a file unreadable here";
  }
  {
    ComPtr<ITplPatchedFile> file = NewFile();
    EXPECT_EQ(file->LoadFromFile(path.c_str()), 0);
    EXPECT_EQ(Held(file.get()), "|");
    // Nothing was patched: PatchFile says so, SaveToFile returns 0 always.
    EXPECT_EQ(Codes({file->SaveToFile(path.c_str()), manager_->PatchFile(path.c_str())}), "0,1");
  }
  if (as_root && ::seteuid(0) != 0) std::abort();
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadFile(path), "original content");
  EXPECT_EQ(NamesIn(folder_.path()), Names{"locked.htm"});
}

// A file size limit makes the write itself fail, for root as well.
TEST_F(PatchedFileIo, FailedWriteLeavesTheOldFileWhole) {
  const std::string path = folder_ / "page.txt";
  const std::string old_content = "old content that must survive\n";
  const std::string big_template = std::string(64 * 1024, 'n');
  WriteFile(path, old_content);
  ComPtr<ITplPatchedFile> file = NewFile();
  file->SetText(big_template.c_str());
  file->SetFileName(path.c_str());
  const std::string big_file = folder_ / "big.txt";
  WriteFile(big_file, big_template);
  {
    const testing::FileSizeLimit limit(1024);
    if (!limit.active()) GTEST_SKIP() << "no file size limits here";
    // PatchFile reports the failed write; SaveToFile returns 0 always.
    EXPECT_EQ(Codes({file->SaveToFile(path.c_str()), manager_->PatchFile(big_file.c_str())}),
              "0,1");
  }
  EXPECT_EQ(ReadFile(path), old_content);
  EXPECT_EQ(ReadFile(big_file), big_template);
  EXPECT_EQ(NamesIn(folder_.path()), (Names{"big.txt", "page.txt"}));
}

}  // namespace
}  // namespace quenloft
