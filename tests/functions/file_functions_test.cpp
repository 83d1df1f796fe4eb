// FileName, LoadFromFile, SaveToFile and MoveFile through real templates,
// on real files.
#include <optional>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "template_session.h"

namespace quenloft::testing {
namespace {

class FileFunctions : public TemplateSession {
 protected:
  // The statement quoted as an argument: Name('<path>'[, 'kind']).
  static std::string Call(const std::string& name, const std::string& path,
                          const std::string& kind = "") {
    return name + "('" + path + "'" + (kind.empty() ? "" : ", '" + kind + "'") + ")";
  }

  ScratchFolder dir_;
};

TEST_F(FileFunctions, FileNameByFolderKind) {
  SetSystemValue("System.SourceFolderName", "C:\\src\\");
  SetSystemValue("System.ResultFolderName", "C:\\out\\");
  SetSystemValue("System.RootFolderName", "C:\\root\\");
  struct Case {
    std::string expression;
    std::string value;
  };
  const Case cases[] = {
      {"FileName('a/b.htm', 'source')", "C:\\src\\a\\b.htm"},
      {"FileName('a/b.htm', 'Result')", "C:\\out\\a\\b.htm"},
      {"FileName('b.htm', 'ROOT')", "C:\\root\\b.htm"},
      // A full path ignores the kind; its slashes still become backslashes.
      {"FileName('C:\\x\\y.htm', 'root')", "C:\\x\\y.htm"},
      {"FileName('C:/x/y.htm', 'source')", "C:\\x\\y.htm"},
      {"FileName('/srv/a.htm', 'result')", "\\srv\\a.htm"},
      // Outside any file the other kinds have no folder.
      {"FileName('x/y', 'hostitself')", "x\\y"},
      {"FileName('x/y')", "x\\y"},
      {"FileName('x', 'nosuchkind')", "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(c.expression), c.value) << c.expression;
    EXPECT_EQ(TakeOutputs(), std::vector<std::string>{}) << c.expression;
  }
}

TEST_F(FileFunctions, FileNameInsideAFile) {
  // The patched file is the container that "hostitself" and the other
  // kinds refer to.
  struct Case {
    std::string marker;
    std::string value;
  };
  const Case cases[] = {
      {"%%%FileName('x', 'hostitself')%%%", "C:\\site\\help\\page.txt"},
      {"%%%FileName('x', 'HostItself')%%%", "C:\\site\\help\\page.txt"},
      {"%%%FileName('img/x.gif')%%%", "C:\\site\\help\\img\\x.gif"},
      {"%%%FileName('x.gif', '')%%%", "C:\\site\\help\\x.gif"},
      {"%%%FileName('x.gif', 'other')%%%", "C:\\site\\help\\x.gif"},
      {"%%%FileName('D:\\y.gif', 'hostitself')%%%", "D:\\y.gif"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Patch(c.marker, "C:/site/help/page.txt"), c.value) << c.marker;
  }
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
}

TEST_F(FileFunctions, FileNameArgumentCounts) {
  for (const std::string expression : {"FileName()", "FileName('a', 'source', 'b')"}) {
    EXPECT_EQ(Eval(expression), std::nullopt) << expression;
    EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved(expression)});
  }
}

TEST_F(FileFunctions, LoadFromFile) {
  dir_.Write("page.txt", "Hello <b>there</b>");
  dir_.Write("empty.txt", "");
  dir_.Write("zero.txt", std::string("ab\0cd", 5));
  SetSystemValue("System.ResultFolderName", dir_.folder().c_str());
  struct Case {
    std::string expression;
    std::string value;  // an unreadable or empty file: the statement itself
  };
  const std::string missing = Call("LoadFromFile", dir_ / "missing.txt");
  const std::string empty = Call("LoadFromFile", dir_ / "empty.txt");
  const Case cases[] = {
      {Call("LoadFromFile", dir_ / "page.txt"), "Hello <b>there</b>"},
      {Call("LoadFromFile", "page.txt", "result"), "Hello <b>there</b>"},
      {Call("LoadFromFile", dir_ / "zero.txt"), "ab"},
      {missing, missing},
      {empty, empty},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(c.expression), c.value) << c.expression;
    EXPECT_EQ(TakeOutputs(), std::vector<std::string>{}) << c.expression;
  }
  EXPECT_EQ(Eval("LoadFromFile()"), std::nullopt);
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved("LoadFromFile()")});
}

TEST_F(FileFunctions, LoadFromFileBesideThePatchedFile) {
  dir_.Write("part.txt", "included");
  EXPECT_EQ(Patch("[%%%LoadFromFile('part.txt')%%%]", dir_ / "page.txt"), "[included]");
}

// SaveToFile has no argument for content: it makes sure the file exists
// and never changes one that does.
TEST_F(FileFunctions, SaveToFileCreatesButNeverTruncates) {
  dir_.Write("kept.txt", "precious");
  SetSystemValue("System.ResultFolderName", dir_.folder().c_str());

  EXPECT_EQ(Eval(Call("SaveToFile", dir_ / "new.txt")), "");
  EXPECT_TRUE(dir_.Exists("new.txt"));
  EXPECT_EQ(dir_.Read("new.txt"), "");

  EXPECT_EQ(Eval(Call("SaveToFile", dir_ / "kept.txt")), "");
  EXPECT_EQ(dir_.Read("kept.txt"), "precious");

  EXPECT_EQ(Eval(Call("SaveToFile", "sub/deeper/made.txt", "result")), "");
  EXPECT_TRUE(dir_.Exists("sub/deeper/made.txt"));
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});

  // A file cannot be made below a file.
  const std::string impossible = Call("SaveToFile", dir_ / "kept.txt/x.txt");
  EXPECT_EQ(Eval(impossible), std::nullopt);
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved(impossible)});
  EXPECT_EQ(dir_.Read("kept.txt"), "precious");
}

TEST_F(FileFunctions, MoveFileDeletes) {
  dir_.Write("a.tmp", "x");
  const std::string move = Call("MoveFile", dir_ / "a.tmp");
  EXPECT_EQ(Eval(move), "");
  EXPECT_FALSE(dir_.Exists("a.tmp"));
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
  // Gone now: the second call fails.
  EXPECT_EQ(Eval(move), std::nullopt);
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved(move)});
}

TEST_F(FileFunctions, MoveFileMoves) {
  dir_.Write("a.tmp", "content");
  const std::string move =
      "MoveFile('" + (dir_ / "a.tmp") + "', '" + (dir_ / "new/folder/b.tmp") + "')";
  EXPECT_EQ(Eval(move), "");
  EXPECT_FALSE(dir_.Exists("a.tmp"));
  EXPECT_EQ(dir_.Read("new/folder/b.tmp"), "content");
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
}

TEST_F(FileFunctions, MoveFileFailuresKeepTheSource) {
  dir_.Write("a.tmp", "content");
  dir_.Write("blocker", "a file, not a folder");
  struct Case {
    const char* name;
    std::string expression;
  };
  const Case cases[] = {
      {"missing source", "MoveFile('" + (dir_ / "nosuch.tmp") + "', '" + (dir_ / "b.tmp") + "')"},
      {"destination cannot be made",
       "MoveFile('" + (dir_ / "a.tmp") + "', '" + (dir_ / "blocker/b.tmp") + "')"},
      {"no arguments", "MoveFile()"},
      {"three arguments", "MoveFile('a', 'b', 'c')"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(c.expression), std::nullopt) << c.name;
    EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved(c.expression)}) << c.name;
    EXPECT_EQ(dir_.Read("a.tmp"), "content") << c.name;
  }
  EXPECT_FALSE(dir_.Exists("b.tmp"));
}

// Moving a file onto itself must not copy it over itself and then delete
// it.
TEST_F(FileFunctions, MoveFileOntoItselfKeepsIt) {
  dir_.Write("a.tmp", "content");
  const std::string same = "MoveFile('" + (dir_ / "a.tmp") + "', '" + (dir_ / "./a.tmp") + "')";
  EXPECT_EQ(Eval(same), "");
  EXPECT_EQ(dir_.Read("a.tmp"), "content");
}

}  // namespace
}  // namespace quenloft::testing
