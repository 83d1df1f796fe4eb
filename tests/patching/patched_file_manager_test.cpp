// Patched files evaluated by a real manager: assignments, the file's own
// scope, unresolved markers and PatchFile end to end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/com_ptr.h"
#include "inhouse/scratch_folder.h"
#include "quenloft/quenloft.h"
#include "support/codes.h"
#include "support/manager_session.h"
#include "support/text.h"

namespace quenloft {
namespace {

using quenloft::testing::Codes;
using quenloft::testing::ManagerSession;
using quenloft::testing::Text;

class PatchedFileManager : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(session_.Open());
    session_.SetGlobal("title$$", "Quenloft");
  }
  void TearDown() override { session_.Close(); }

  ComPtr<ITplPatchedFile> NewFile(const char* name, const char* text) {
    ComPtr<ITplPatchedFile> file;
    EXPECT_EQ(session_.services->CreatePatchedFile(file.put()), 0);
    file->SetFileName(name);
    file->SetText(text);
    return file;
  }

  static std::string Patched(ITplPatchedFile* file) {
    Text out;
    EXPECT_EQ(file->Patch(out), 0);
    return out.text();
  }

  ManagerSession session_;
};

TEST_F(PatchedFileManager, MarkersAreEvaluatedAsTabled) {
  const struct {
    const char* name;
    const char* text;
    const char* output;
  } cases[] = {
      {"page.htm", "<h1><!--%title$$%--></h1>", "<h1>Quenloft</h1>"},
      {"page.txt", "<h1><!--%title$$%--></h1>%%%title$$%%%", "<h1><!--%title$$%--></h1>Quenloft"},
      {"style.css", "/*%'a;b'%*/ /*%'x';'y'%*/", "a;b xy"},
      {"setup.ini", "name=;%title$$%;\n", "name=Quenloft\n"},
      {"page.htm", "<!--%t$='Hello'%--><p><!--%t$%--></p>", "<p><!--%t$%--></p>"},  // short
      {"page.htm", "<!--%n='one';n%-->|<!--%n='two'%-->", "one|"},
      {"page.txt", "%%%abc%%%", "%%%abc%%%"},  // too short to evaluate
      {"page.htm", "<!--%a %%%title$$%%%", "<!--%a Quenloft"},
      {"page.htm", "a<!--%Nothing.Here%-->b", "a<!--%Nothing.Here%-->b"},  // reported
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + c.text);
    ComPtr<ITplPatchedFile> file = NewFile(c.name, c.text);
    EXPECT_EQ(Patched(file.get()), c.output);
  }
  EXPECT_EQ(session_.host.outputs,
            std::vector<std::string>{
                "Template Error: can not resolve macro: Nothing.Here in page.htm\r\n"});
}

// The file answers for itself and its scope only. The scope is one object,
// appended to again by every patch, and goes with the file.
TEST_F(PatchedFileManager, FileScopeIsHandedOutOnceAndGoesWithTheFile) {
  ComPtr<ITplPatchedFile> file = NewFile("page.htm", "<!--%list$+='x'%-->[<!--%list$%-->]");
  EXPECT_EQ(file->QueryInterface(IID_ITplPatchedFile, nullptr), TPL_E_INVALIDARG);
  void* out = &session_.host;
  EXPECT_EQ(file->QueryInterface(IID_ITplExpression, &out), TPL_E_NOTIMPL);
  EXPECT_EQ(out, nullptr);
  ComPtr<ITplVariables> scope = file.query<ITplVariables>(IID_ITplVariables);
  ASSERT_TRUE(scope);
  EXPECT_EQ(Codes({scope->AddRef(), scope->Release()}), "2,1");
  EXPECT_EQ(file.query<ITplVariables>(IID_ITplVariables).get(), scope.get());

  scope->SetVariable("list$", "-");
  const std::string first = Patched(file.get());
  EXPECT_EQ(first + Patched(file.get()), "[-x][-xx]");
  EXPECT_EQ(session_.manager->HasResolverFor("list$"), 0);
  scope = nullptr;
  file = nullptr;
  EXPECT_EQ(session_.manager->HasResolverFor("list$"), 1);  // withdrawn with the file
  ComPtr<ITplPatchedFile> other = NewFile("other.htm", "[<!--%list$%-->]");
  EXPECT_EQ(Patched(other.get()), "[<!--%list$%-->]");
}

TEST_F(PatchedFileManager, TextIsCutOnceAndComposedOnEveryPatch) {
  ComPtr<ITplPatchedFile> file = NewFile("page.txt", "");
  std::string patched = Patched(file.get()) + "|";  // nothing to cut yet
  file->SetText("<!--%title$$%--> %%%'one'%%%");
  file->AttachFileName("PAGE.HTM");
  patched += Patched(file.get()) + "|";
  // A new text is not cut again: the chunks keep the text they were cut from.
  file->SetText("%%%'other'%%%");
  session_.SetGlobal("title$$", "changed");
  EXPECT_EQ(patched + Patched(file.get()), "|Quenloft one|changed one");
  Text text;
  file->GetText(text);
  EXPECT_EQ(text.text(), "%%%'other'%%%");
}

TEST_F(PatchedFileManager, NullArgumentsAreEmptyOrIgnored) {
  ComPtr<ITplPatchedFile> file = NewFile("old.htm", "old");
  EXPECT_EQ(Codes({file->SetText(nullptr), file->SetFileName(nullptr),
                   file->AttachFileName(nullptr), file->GetText(nullptr),
                   file->GetFileName(nullptr), file->Patch(nullptr), file->LoadFromFile(nullptr),
                   file->SaveToFile(nullptr)}),
            "0,0,0,0,1,0,0,0");
  Text text;
  text.get()->SetText("stale");
  file->GetFileName(text);
  EXPECT_EQ(text.text(), "");
  EXPECT_EQ(Patched(file.get()), "");
}

TEST_F(PatchedFileManager, PatchFileRewritesTheFileInPlace) {
  inhouse_test::ScratchFolder folder;
  const std::string path = folder / "index.htm";
  inhouse_test::WriteFile(path, "<title><!--%title$$%--></title>\n%%%'done'%%%");
  EXPECT_EQ(session_.manager->PatchFile(path.c_str()), 0);
  EXPECT_EQ(inhouse_test::ReadFile(path), "<title>Quenloft</title>\ndone");
  EXPECT_EQ(inhouse_test::NamesIn(folder.path()), std::vector<std::string>{"index.htm"});
}

}  // namespace
}  // namespace quenloft
