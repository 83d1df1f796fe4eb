// The patched file cut into chunks and composed, with stand-in expressions
// (patched_file_fakes.h): values are the marker's inner text in brackets.
#include <gtest/gtest.h>

#include "frame/string_object.h"
#include "patched_file_fakes.h"
#include "patching/objects.h"

namespace quenloft {
namespace {

using testing::FakeServices;

std::string PatchedText(ITplPatchedFile* file) {
  ComPtr<ICvoString> out = NewString();
  EXPECT_EQ(file->Patch(out.get()), 0);
  return ReadString(out.get());
}

struct ComposeCase {
  const char* file;
  const char* text;
  const char* output;
};

const ComposeCase kComposeCases[] = {
    {"a.htm", "x <!--%Output('a')%--> y", "x [Output('a')] y"},
    {"a.txt", "x <!--%Output('a')%--> y", "x <!--%Output('a')%--> y"},
    {"a.txt", "%%%Output('a')%%%", "[Output('a')]"},
    {"a.css", "a/*%b%*/c<!--%d%-->", "a[b]c<!--%d%-->"},
    {"a.ini", "k=;%v%;\n", "k=[v]\n"},
    {"a.ini", ";%%%a%%%", ";%%%a%%%"},
    {"a.txt", "%%%a%%%b%%%c%%%", "[a]b[c]"},
    {"a.txt", "%%%a%%%b", "[a]b"},
    {"a.htm", "<!--%a %%%b%%%", "<!--%a [b]"},
    {"a.htm", "<!--%-->", "<!--%-->"},
    {"a.txt", "1 %%%fail: left as written%%% 2", "1 %%%fail: left as written%%% 2"},
    {"a.txt", "%%%fail%%%%%%ok%%%", "%%%fail%%%[ok]"},
    {"a.txt", "", ""},
    {"a.txt", "ab", "ab"},
};

TEST(PatchedFileCompose, ReplacesEveryMarkerByItsValueAsTabled) {
  for (const ComposeCase& c : kComposeCases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.text);
    FakeServices services;
    ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
    ASSERT_TRUE(file);
    file->SetText(c.text);
    file->SetFileName(c.file);
    EXPECT_EQ(PatchedText(file.get()), c.output);
  }
}

TEST(PatchedFileCompose, EveryPatchEvaluatesEveryMarkerInDocumentOrder) {
  FakeServices services;
  ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
  file->SetText("%%%one%%% %%%two%%% %%%three%%%");
  EXPECT_EQ(PatchedText(file.get()), "[one] [two] [three]");
  EXPECT_EQ(file->Patch(nullptr), 0);  // no string object: evaluated all the same
  const std::vector<std::string> expected = {"one", "two", "three", "one", "two", "three"};
  EXPECT_EQ(services.evaluated, expected);
  EXPECT_EQ(services.owners.size(), 3u);  // parsed once
}

TEST(PatchedFileCompose, ExpressionsWorkForTheFileAndGoWithIt) {
  FakeServices services;
  ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
  file->SetText("%%%a%%%%%%b%%%");
  PatchedText(file.get());
  ASSERT_EQ(services.owners.size(), 2u);
  for (ITplUnknown* owner : services.owners) EXPECT_EQ(owner, static_cast<ITplUnknown*>(file.get()));
  EXPECT_EQ(services.live_expressions, 2);
  file.reset();
  EXPECT_EQ(services.live_expressions, 0);
}

TEST(PatchedFileCompose, MarkerWithoutExpressionIsEmpty) {
  FakeServices services;
  services.hand_out_expressions = false;
  ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
  file->SetText("a%%%x%%%b");
  EXPECT_EQ(PatchedText(file.get()), "ab");
}

TEST(PatchedFileCompose, TextSetAfterTheParseIsNotCutAgain) {
  FakeServices services;
  ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
  file->SetText("plain %%%one%%% text");
  EXPECT_EQ(PatchedText(file.get()), "plain [one] text");
  file->SetText("%%%other%%%");
  EXPECT_EQ(PatchedText(file.get()), "plain [one] text");
  ComPtr<ICvoString> text = NewString();
  file->GetText(text.get());
  EXPECT_EQ(ReadString(text.get()), "%%%other%%%");
}

TEST(PatchedFileCompose, EmptyTextIsCutOnceTextArrives) {
  FakeServices services;
  ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
  EXPECT_EQ(PatchedText(file.get()), "");
  file->SetText("%%%x%%%");
  EXPECT_EQ(PatchedText(file.get()), "[x]");
}

TEST(PatchedFileCompose, FileTypeComesFromTheNameAtTheParse) {
  for (auto set_name : {&ITplPatchedFile::SetFileName, &ITplPatchedFile::AttachFileName}) {
    FakeServices services;
    ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
    file->SetText("<!--%m%-->");
    EXPECT_EQ(((*file).*set_name)("PAGE.HTM"), 0);
    EXPECT_EQ(PatchedText(file.get()), "[m]");
    ComPtr<ICvoString> name = NewString();
    EXPECT_EQ(file->GetFileName(name.get()), 0);
    EXPECT_EQ(ReadString(name.get()), "PAGE.HTM");
  }
}

TEST(PatchedFileObject, NullArgumentsAreEmptyOrIgnored) {
  FakeServices services;
  ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
  file->SetText("old");
  file->SetFileName("old.htm");
  EXPECT_EQ(file->SetText(nullptr), 0);
  EXPECT_EQ(file->SetFileName(nullptr), 0);
  EXPECT_EQ(file->GetText(nullptr), 0);
  EXPECT_EQ(file->GetFileName(nullptr), 1);
  EXPECT_EQ(file->Patch(nullptr), 0);
  EXPECT_EQ(file->LoadFromFile(nullptr), 0);
  EXPECT_EQ(file->SaveToFile(nullptr), 0);
  EXPECT_EQ(file->AttachFileName(nullptr), 0);
  ComPtr<ICvoString> text = NewString();
  file->GetText(text.get());
  EXPECT_EQ(ReadString(text.get()), "");
  text->SetText("stale");
  file->GetFileName(text.get());
  EXPECT_EQ(ReadString(text.get()), "");
}

TEST(PatchedFileObject, QueryInterfaceAnswersItsOwnIds) {
  FakeServices services;
  ComPtr<ITplPatchedFile> file = MakePatchedFile(&services);
  EXPECT_EQ(file->QueryInterface(IID_ITplPatchedFile, nullptr), TPL_E_INVALIDARG);

  void* out = &services;
  EXPECT_EQ(file->QueryInterface(IID_ITplExpression, &out), TPL_E_NOTIMPL);
  EXPECT_EQ(out, nullptr);

  ASSERT_EQ(file->QueryInterface(IID_ITplPatchedFile, &out), 0);
  EXPECT_EQ(out, static_cast<void*>(file.get()));
  ComPtr<ITplPatchedFile> same = ComPtr<ITplPatchedFile>::Adopt(static_cast<ITplPatchedFile*>(out));
  EXPECT_EQ(file->AddRef(), 3);
  EXPECT_EQ(file->Release(), 2);
}

}  // namespace
}  // namespace quenloft
