// The patched file as a host meets it, made by a manager's
// CreatePatchedFile: its scope, its chunks, whole templates, and its files
// on disk (also through PatchFile), compared byte for byte.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string_view>

#include "support/files.h"
#include "support/manager_session.h"
#include "support/texts.h"

namespace quenloft_test {
namespace {

using namespace quenloft::testing;

using namespace std::string_literals;

// Any text, written as a quoted literal with its special bytes escaped,
// comes back whole: from an expression of such statements, and from
// markers of every file type among plain text (bytes that open no marker),
// which stays as it was.
TEST(PatchedFile, EscapedLiteralsComeBackWhole) {
  std::mt19937 random(1807);
  const auto pick = [&](std::string_view bytes) {
    std::string s(random() % 13, ' ');
    for (char& c : s) c = bytes[random() % bytes.size()];
    return s;
  };
  const auto literal = [&](const std::string& s) {
    const char quote = random() % 2 == 0 ? '\'' : '"';
    std::string out(1, quote);
    for (char c : s) {
      if (std::string_view("%\\\"'").find(c) != std::string_view::npos) out += '\\';
      out += c;
    }
    return out + quote;
  };
  constexpr std::string_view kAny = "%\\\"';,=.()$+<>!-/* \t\r\nab\xC3\xA9";
  constexpr std::string_view kPlain = "\\\"'=.()$+>!- \t\r\nab\xC3\xA9";
  const char* const kFiles[][3] = {{"a.txt", "%%%", "%%%"},
                                   {"a.htm", "<!--%", "%-->"},
                                   {"a.css", "/*%", "%*/"},
                                   {"a.ini", ";%", "%;"}};
  LanguageSession m;
  for (int round = 0; round < 300; ++round) {
    std::string expression = "  ", value;
    for (int i = 0; i <= round % 3; ++i) {
      const std::string s = pick(kAny);
      expression += literal(s) + (i < round % 3 ? " ;\t" : "  ");
      value += s;
    }
    ASSERT_EQ(m.Evaluate(expression.c_str()), value) << expression;
    for (const auto& [name, open, close] : kFiles) {
      std::string text, output;
      for (int i = 0; i < 3; ++i) {
        const std::string plain = pick(kPlain), s = pick(kAny);
        text += plain + open + "  " + literal(s) + " " + close;
        output += plain + s;
      }
      ASSERT_EQ(m.Patch(name, text.c_str()), output) << name << ": " << text;
    }
  }
  EXPECT_TRUE(m.host.outputs.empty());
}

// The file's scope is one object, appended to again by every patch, and
// goes with the file. The text is cut at the first patch and composed again
// at every one.
TEST(PatchedFile, ScopeAndChunksLiveWithTheFile) {
  LanguageSession m;
  m.SetGlobal("title$$", "Quenloft");
  ITplPatchedFile* file = m.NewFile("old.htm");
  const auto patch = [&] {
    HostString out(kUntouched), name(kUntouched);
    file->Patch(&out);
    file->GetFileName(&name);
    return name.text() + ":" + out.text() + "|";
  };
  std::string patched = patch();  // nothing to cut yet
  file->SetText("<!--%title$$%--> %%%'one'%%% <!--%list$+='x'%-->[<!--%list$%-->]");
  file->AttachFileName("PAGE.HTM");
  ITplVariables* scope = nullptr;
  ITplVariables* again = nullptr;
  ASSERT_EQ(file->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope)), 0);
  ASSERT_EQ(file->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&again)), 0);
  EXPECT_EQ(Codes({again == scope, again->Release(), scope->SetVariable("list$", "-")}), "1,1,1");
  patched += patch();
  // A new text is not cut again: the chunks keep the text they were cut from.
  file->SetText("%%%'other'%%%");
  m.SetGlobal("title$$", "changed");
  EXPECT_EQ(patched + patch(),
            "old.htm:|PAGE.HTM:Quenloft one [-x]|PAGE.HTM:changed one [-xx]|");
  HostString text;
  file->GetText(&text);
  EXPECT_EQ(text.text(), "%%%'other'%%%");
  // The registry holds the scope for list$ until the file goes.
  EXPECT_EQ(Codes({m.manager->HasResolverFor("list$"), scope->Release(), file->Release(),
                   m.manager->HasResolverFor("list$")}),
            "0,1,0,1");
}

// Files on disk, through LoadFromFile and SaveToFile and through the
// manager's PatchFile, which reports what it could not read or write;
// SaveToFile returns 0 always.
class PatchedFileIo : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

  int32_t PatchFile(const std::string& path) { return m_.manager->PatchFile(path.c_str()); }
  // "name|text" of a file.
  static std::string Held(ITplPatchedFile* file) {
    HostString name, text;
    file->GetFileName(&name);
    file->GetText(&text);
    return name.text() + "|" + text.text();
  }

  ScratchFolder folder_;
  LanguageSession m_;
};

// The text ends at the first zero byte, and a file holding one is written
// back byte for byte; plain text that looks like delimiters stays as it
// was. Nothing is written before the file has a name; a missing file or a
// folder changes nothing.
TEST_F(PatchedFileIo, LoadSaveAndPatchKeepEveryByte) {
  std::string all_bytes;
  for (int b = 0; b < 256; ++b) all_bytes += static_cast<char>(b);
  const std::string large(1 << 20, 'x');
  const std::pair<std::string, std::string> cases[] = {  // content, patched ("": the same)
      {"", ""},
      {"plain\r\n<html>50% of <!-- a comment --> a;b /* c */</html>\n", ""},
      {large + "<!--%'end'%-->", large + "end"},
      {"abc\0%%%'x'%%%def"s, ""},
      {"\xFF\xFE<\0!\0-\0-\0%\0'\0a\0'\0%\0-\0-\0>\0"s, ""},  // "<!--%'a'%-->" in UTF-16
      {all_bytes + "%%%'x'%%%", ""},
  };
  const std::string path = folder_ / "page.htm";
  for (const auto& [content, patched] : cases) {
    ASSERT_TRUE(WriteFile(path, content));
    ITplPatchedFile* file = m_.NewFile(nullptr);
    EXPECT_EQ(file->LoadFromFile(path.c_str()), 0);
    EXPECT_EQ(Held(file), path + "|" + content.substr(0, content.find('\0')));
    EXPECT_EQ(Codes({file->SaveToFile((folder_ / "copy.htm").c_str()), file->Release(),
                     PatchFile(path)}),
              "0,0,0");
    const std::string expected = patched.empty() ? content : patched;
    EXPECT_EQ(ReadTree(folder_.path()), (Tree{{"copy.htm", expected}, {"page.htm", expected}}));
  }
  std::filesystem::remove(folder_ / "copy.htm");
  const std::string folder = folder_ / "sub.htm", target = folder_ / "target.txt";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ITplPatchedFile* file = m_.NewFile(nullptr);
  file->SetText("content");
  EXPECT_EQ(Codes({file->SaveToFile(target.c_str()), file->LoadFromFile(folder.c_str()),
                   file->LoadFromFile((folder_ / "missing.htm").c_str()), PatchFile(folder),
                   PatchFile(folder_ / "missing.htm"), m_.manager->PatchFile(nullptr)}),
            "0,0,0,1,1,1");
  EXPECT_EQ(Held(file), "|content");
  file->SetFileName("named.txt");
  EXPECT_EQ(Codes({file->SaveToFile(target.c_str()), file->Release()}), "0,0");
  EXPECT_EQ(ReadTree(folder_.path()), (Tree{{"page.htm", all_bytes + "%%%'x'%%%"},
                                            {"target.txt", "content"}}));
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
  ITplPatchedFile* file = m_.NewFile(nullptr);
  EXPECT_EQ(Codes({file->LoadFromFile(path.c_str()), file->SaveToFile(path.c_str()),
                   PatchFile(path)}),
            "0,0,1");
  EXPECT_EQ(Held(file), "|");
  file->Release();
  if (as_root && ::seteuid(0) != 0) std::abort();
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadTree(folder_.path()), (Tree{{"locked.htm", "original content"}}));
}

// A file size limit makes the write itself fail, for root as well.
TEST_F(PatchedFileIo, FailedWriteLeavesTheOldFileWhole) {
  const std::string path = folder_ / "page.txt", big_file = folder_ / "big.txt";
  const std::string big_template(64 * 1024, 'n');
  WriteFile(path, "old content that must survive\n");
  WriteFile(big_file, big_template);
  ITplPatchedFile* file = m_.NewFile(path.c_str());
  file->SetText(big_template.c_str());
  {
    const FileSizeLimit limit(1024);
    if (!limit.active()) {
      file->Release();
      GTEST_SKIP() << "no file size limits here";
    }
    EXPECT_EQ(Codes({file->SaveToFile(path.c_str()), PatchFile(big_file)}), "0,1");
  }
  file->Release();
  EXPECT_EQ(ReadTree(folder_.path()),
            (Tree{{"big.txt", big_template}, {"page.txt", "old content that must survive\n"}}));
}

}  // namespace
}  // namespace quenloft_test
