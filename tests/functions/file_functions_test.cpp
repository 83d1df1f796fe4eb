// LoadFromFile, SaveToFile and MoveFile on real files.
#include <filesystem>
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
  void SetUp() override {
    TemplateSession::SetUp();
    Set("System.ResultFolderName", dir_.path() + "/");
  }
  // Name('<first>'[, '<second>']), paths inside the scratch folder.
  std::string Call(const std::string& name, const std::string& first,
                   const std::string& second = "") const {
    const std::string tail = second.empty() ? "" : ", '" + (dir_ / second) + "'";
    return name + "('" + (dir_ / first) + "'" + tail + ")";
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
  std::string Read(const std::string& name) const { return ReadFile(dir_ / name); }

  inhouse_test::ScratchFolder dir_;
};

TEST_F(FileFunctions, LoadFromFileAndSaveToFile) {
  WriteFile(dir_ / "page.txt", "Hello <b>there</b>");
  WriteFile(dir_ / "empty.txt", "");
  WriteFile(dir_ / "zero.txt", std::string("ab\0cd", 5));
  WriteFile(dir_ / "kept.txt", "precious");
  // An unreadable or empty file: the statement stands for itself.
  const std::string missing = Call("LoadFromFile", "missing.txt");
  const std::string empty = Call("LoadFromFile", "empty.txt");
  const EvalCase cases[] = {
      {"LoadFromFile('page.txt', 'result')", "Hello <b>there</b>", {}},
      {Call("LoadFromFile", "zero.txt"), "ab", {}},
      {missing, missing, {}}, {empty, empty, {}}, Fails("LoadFromFile()"),
      // SaveToFile has no argument for content: it makes sure the file
      // exists and never changes one that does.
      {Call("SaveToFile", "new.txt"), "", {}}, {Call("SaveToFile", "kept.txt"), "", {}},
      {"SaveToFile('sub/deeper/made.txt', 'result')", "", {}},
      Fails(Call("SaveToFile", "kept.txt/x.txt")),  // below a file
  };
  ExpectEvaluations(cases);
  EXPECT_EQ(Read("new.txt") + "|" + Read("kept.txt"), "|precious");
  EXPECT_TRUE(Exists("sub/deeper/made.txt"));
  // Inside a file a relative name is found beside it.
  WriteFile(dir_ / "part.txt", "included");
  EXPECT_EQ(Patch("[%%%LoadFromFile('part.txt')%%%]", dir_ / "page.txt"), "[included]");
}

// MoveFile deletes its source only after a copy succeeded.
TEST_F(FileFunctions, MoveFileMovesOrDeletesAndFailuresKeepTheSource) {
  WriteFile(dir_ / "a.tmp", "content");
  EXPECT_EQ(Eval(Call("MoveFile", "a.tmp", "new/folder/b.tmp")), "");
  EXPECT_EQ(Read("new/folder/b.tmp") + "|" + Read("a.tmp"), "content|");
  EXPECT_EQ(Eval(Call("MoveFile", "new/folder/b.tmp")), "");  // one argument deletes
  EXPECT_FALSE(Exists("new/folder/b.tmp"));
  EXPECT_EQ(TakeOutputs(), Names{});

  WriteFile(dir_ / "a.tmp", "content");
  WriteFile(dir_ / "blocker", "a file, not a folder");
  const EvalCase failures[] = {
      Fails(Call("MoveFile", "new/folder/b.tmp")), Fails(Call("MoveFile", "nosuch.tmp", "b.tmp")),
      Fails(Call("MoveFile", "a.tmp", "blocker/b.tmp")),  // cannot be made
      Fails("MoveFile()"), Fails("MoveFile('a', 'b', 'c')"),
  };
  ExpectEvaluations(failures);
  EXPECT_EQ(Read("a.tmp"), "content");
  EXPECT_FALSE(Exists("b.tmp"));
  // Onto itself: it must not be copied over itself and then deleted.
  EXPECT_EQ(Eval(Call("MoveFile", "a.tmp", "./a.tmp")), "");
  EXPECT_EQ(Read("a.tmp"), "content");
}

// Only AssignString's chosen branch runs: the other's side effects do not
// happen, and a chosen branch that fails gives the empty text, reported.
TEST_F(FileFunctions, AssignStringRunsOnlyTheChosenBranch) {
  WriteFile(dir_ / "a.tmp", "x");
  WriteFile(dir_ / "b.tmp", "x");
  const std::string move_a = Call("MoveFile", "a.tmp"), move_b = Call("MoveFile", "b.tmp");
  EXPECT_EQ(Eval("AssignString('0', " + move_a + ", 'none')"), "none");
  EXPECT_EQ(inhouse_test::NamesIn(dir_.path()), (Names{"a.tmp", "b.tmp"}));
  EXPECT_EQ(Eval("AssignString('1', " + move_a + ", " + move_b + ")"), "");
  EXPECT_EQ(inhouse_test::NamesIn(dir_.path()), Names{"b.tmp"});
  EXPECT_EQ(TakeOutputs(), Names{});
  EXPECT_EQ(Eval("AssignString('yes', " + move_a + ")"), "");
  EXPECT_EQ(TakeOutputs(), Names{Unresolved(move_a)});
}

}  // namespace
}  // namespace quenloft::testing
