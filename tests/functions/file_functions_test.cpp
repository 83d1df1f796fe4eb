// FileName, LoadFromFile, SaveToFile and MoveFile through real templates,
// on real files.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "inhouse/scratch_folder.h"
#include "template_session.h"

namespace quenloft::testing {
namespace {

using inhouse_test::ReadFile;
using inhouse_test::WriteFile;
using Names = std::vector<std::string>;

class FileFunctions : public TemplateSession {
 protected:
  // Name('<first>'[, '<second>']).
  static std::string Call(const std::string& name, const std::string& first,
                          const std::string& second = "") {
    return name + "('" + first + "'" + (second.empty() ? "" : ", '" + second + "'") + ")";
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
  std::string Read(const std::string& name) const { return ReadFile(dir_ / name); }

  inhouse_test::ScratchFolder dir_;
};

TEST_F(FileFunctions, FileNameByFolderKind) {
  SetSystemValue("System.SourceFolderName", "C:\\src\\");
  SetSystemValue("System.ResultFolderName", "C:\\out\\");
  SetSystemValue("System.RootFolderName", "C:\\root\\");
  const EvalCase cases[] = {
      {"FileName('a/b.htm', 'source')", "C:\\src\\a\\b.htm", {}},
      {"FileName('a/b.htm', 'Result')", "C:\\out\\a\\b.htm", {}},
      {"FileName('b.htm', 'ROOT')", "C:\\root\\b.htm", {}},
      // A full path ignores the kind; its slashes still become backslashes.
      {"FileName('C:/x/y.htm', 'source')", "C:\\x\\y.htm", {}},
      {"FileName('/srv/a.htm', 'result')", "\\srv\\a.htm", {}},
      // Outside any file the other kinds have no folder.
      {"FileName('x/y', 'hostitself')", "x\\y", {}},
      {"FileName('x', 'nosuchkind')", "x", {}},
      Fails("FileName()"), Fails("FileName('a', 'source', 'b')"),
  };
  ExpectEvaluations(cases);
}

// The patched file is the container that "hostitself" and the other kinds
// refer to.
TEST_F(FileFunctions, FileNameInsideAFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"%%%FileName('x', 'HostItself')%%%", "C:\\site\\help\\page.txt"},
      {"%%%FileName('img/x.gif')%%%", "C:\\site\\help\\img\\x.gif"},
      {"%%%FileName('x.gif', 'other')%%%", "C:\\site\\help\\x.gif"},
      {"%%%FileName('D:\\y.gif', 'hostitself')%%%", "D:\\y.gif"},
  };
  for (const auto& [marker, value] : cases) {
    EXPECT_EQ(Patch(marker, "C:/site/help/page.txt"), value) << marker;
  }
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
}

TEST_F(FileFunctions, LoadFromFile) {
  WriteFile(dir_ / "page.txt", "Hello <b>there</b>");
  WriteFile(dir_ / "empty.txt", "");
  WriteFile(dir_ / "zero.txt", std::string("ab\0cd", 5));
  SetSystemValue("System.ResultFolderName", (dir_.path() + "/").c_str());
  // An unreadable or empty file: the statement stands for itself.
  const std::string missing = Call("LoadFromFile", dir_ / "missing.txt");
  const std::string empty = Call("LoadFromFile", dir_ / "empty.txt");
  const EvalCase cases[] = {
      {Call("LoadFromFile", "page.txt", "result"), "Hello <b>there</b>", {}},
      {Call("LoadFromFile", dir_ / "zero.txt"), "ab", {}},
      {missing, missing, {}}, {empty, empty, {}}, Fails("LoadFromFile()"),
  };
  ExpectEvaluations(cases);
  // Inside a file a relative name is found beside it.
  WriteFile(dir_ / "part.txt", "included");
  EXPECT_EQ(Patch("[%%%LoadFromFile('part.txt')%%%]", dir_ / "page.txt"), "[included]");
}

// SaveToFile has no argument for content: it makes sure the file exists
// and never changes one that does.
TEST_F(FileFunctions, SaveToFileCreatesButNeverTruncates) {
  WriteFile(dir_ / "kept.txt", "precious");
  SetSystemValue("System.ResultFolderName", (dir_.path() + "/").c_str());
  const std::string impossible = Call("SaveToFile", dir_ / "kept.txt/x.txt");  // below a file
  const EvalCase cases[] = {
      {Call("SaveToFile", dir_ / "new.txt"), "", {}},
      {Call("SaveToFile", dir_ / "kept.txt"), "", {}},
      {Call("SaveToFile", "sub/deeper/made.txt", "result"), "", {}},
      Fails(impossible),
  };
  ExpectEvaluations(cases);
  EXPECT_EQ(inhouse_test::NamesIn(dir_.path()), (Names{"kept.txt", "new.txt", "sub"}));
  EXPECT_EQ(Read("new.txt") + "|" + Read("kept.txt"), "|precious");
  EXPECT_TRUE(Exists("sub/deeper/made.txt"));
}

// MoveFile deletes its source only after a copy succeeded.
TEST_F(FileFunctions, MoveFileMovesOrDeletesAndFailuresKeepTheSource) {
  WriteFile(dir_ / "a.tmp", "content");
  EXPECT_EQ(Eval(Call("MoveFile", dir_ / "a.tmp", dir_ / "new/folder/b.tmp")), "");
  EXPECT_FALSE(Exists("a.tmp"));
  EXPECT_EQ(Read("new/folder/b.tmp"), "content");
  // One argument deletes; a second call finds nothing to delete.
  const std::string remove = Call("MoveFile", dir_ / "new/folder/b.tmp");
  EXPECT_EQ(Eval(remove), "");
  EXPECT_FALSE(Exists("new/folder/b.tmp"));
  EXPECT_EQ(TakeOutputs(), Names{});
  EXPECT_EQ(Eval(remove), std::nullopt);
  EXPECT_EQ(TakeOutputs(), Names{Unresolved(remove)});

  SCOPED_TRACE("failures");
  WriteFile(dir_ / "a.tmp", "content");
  WriteFile(dir_ / "blocker", "a file, not a folder");
  for (const std::string& expression :
       {Call("MoveFile", dir_ / "nosuch.tmp", dir_ / "b.tmp"),
        Call("MoveFile", dir_ / "a.tmp", dir_ / "blocker/b.tmp"),  // cannot be made
        std::string("MoveFile()"), std::string("MoveFile('a', 'b', 'c')")}) {
    EXPECT_EQ(Eval(expression), std::nullopt) << expression;
    EXPECT_EQ(TakeOutputs(), Names{Unresolved(expression)}) << expression;
    EXPECT_EQ(Read("a.tmp"), "content") << expression;
  }
  EXPECT_FALSE(Exists("b.tmp"));
  // Onto itself: it must not be copied over itself and then deleted.
  EXPECT_EQ(Eval(Call("MoveFile", dir_ / "a.tmp", dir_ / "./a.tmp")), "");
  EXPECT_EQ(Read("a.tmp"), "content");
}

}  // namespace
}  // namespace quenloft::testing
