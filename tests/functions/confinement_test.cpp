// The file functions of a skin written to do harm: every path outside the
// folders a template may use is refused, whatever its spelling, and nothing
// outside them is read or changed.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "inhouse/scratch_folder.h"
#include "support/self_counted.h"
#include "support/spelling.h"
#include "template_session.h"

namespace quenloft::testing {
namespace {

using inhouse_test::ReadFile;
using inhouse_test::WriteFile;
using Names = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;

std::string Refused(const std::string& path) {
  return "Template Error: file access refused outside the allowed folders: " +
         WithBackslashes(path) + "\r\n";
}

// The files below a folder and their bytes; links are listed as "-> target".
Tree Snapshot(const std::string& folder) {
  Tree tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().lexically_relative(folder).generic_string();
    if (entry.is_symlink()) {
      tree[name] = "-> " + std::filesystem::read_symlink(entry.path()).generic_string();
    } else if (entry.is_regular_file()) {
      tree[name] = ReadFile(entry.path().string());
    }
  }
  return tree;
}

// Links need a privilege on Windows; tests that need one skip without it.
bool MakeLink(const std::string& target, const std::string& link) {
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  return !error;
}

// A skin, an output and a root folder, and a canary beside them that no
// template may reach.
class Confinement : public TemplateSession {
 protected:
  void SetUp() override {
    TemplateSession::SetUp();
    for (const char* folder : {"skin", "out", "root", "outside", "extra"})
      std::filesystem::create_directory(dir_ / folder);
    WriteFile(dir_ / "skin/part.txt", "skin part");
    WriteFile(dir_ / "out/data.txt", "data");
    WriteFile(dir_ / "out/a.tmp", "to move");
    WriteFile(canary_, "precious");
    Set("System.SourceFolderName", dir_ / "skin/");
    Set("System.ResultFolderName", dir_ / "out/");
    Set("System.RootFolderName", dir_ / "root/");
    outside_before_ = Snapshot(dir_ / "outside");
  }
  void TearDown() override {
    EXPECT_EQ(Snapshot(dir_ / "outside"), outside_before_) << "a template reached outside";
    EXPECT_EQ(ReadFile(dir_ / "skin/part.txt"), "skin part");
  }
  // A statement whose file function failed as for a missing file.
  EvalCase Missing(const std::string& statement, const std::string& path) {
    return {statement, statement, {Refused(path)}};
  }
  EvalCase Failed(const std::string& statement, const std::string& path) {
    return {statement, std::nullopt, {Refused(path), Unresolved(statement)}};
  }

  inhouse_test::ScratchFolder dir_;
  const std::string canary_ = dir_ / "outside/canary.txt";
  Tree outside_before_;
};

TEST_F(Confinement, ReadsStayInTheFoldersOfTheSession) {
  const bool links = MakeLink(dir_ / "skin/part.txt", dir_ / "skin/link-in") &&
                     MakeLink(canary_, dir_ / "skin/link-out");
  const std::string up = "LoadFromFile('../outside/canary.txt', 'source')";
  const std::string full = "LoadFromFile('" + canary_ + "')";
  const EvalCase cases[] = {
      {"LoadFromFile('part.txt', 'source')", "skin part", {}},
      {"LoadFromFile('data.txt', 'result')", "data", {}},
      {"LoadFromFile('nothing.txt', 'root')", "LoadFromFile('nothing.txt', 'root')", {}},
      Missing(up, dir_ / "skin/../outside/canary.txt"), Missing(full, canary_),
      Missing("LoadFromFile('/etc/passwd')", "/etc/passwd"),
      Missing("LoadFromFile('\\etc\\hostname')", "/etc/hostname"),
      Missing("LoadFromFile('/proc/self/environ')", "/proc/self/environ"),
      // Outside a file no folder completes a relative path, and the working
      // folder never does.
      Missing("LoadFromFile('part.txt')", "part.txt"),
  };
  ExpectEvaluations(cases);
  if (!links) GTEST_SKIP() << "no symbolic links here";
  const EvalCase through_links[] = {
      {"LoadFromFile('link-in', 'source')", "skin part", {}},
      Missing("LoadFromFile('link-out', 'source')", dir_ / "skin/link-out"),
  };
  ExpectEvaluations(through_links);
}

TEST_F(Confinement, WritesStayInTheResultAndRootFolders) {
  const std::string deep = dir_ / "outside/new/deep/file.txt";
  const std::string bashrc = dir_ / "outside/bashrc";
  const std::string payload = dir_ / "out/a.tmp";
  const EvalCase cases[] = {
      {"SaveToFile('made.txt', 'result')", "", {}},
      {"SaveToFile('sub/made.txt', 'root')", "", {}},
      Failed("SaveToFile('made.txt', 'source')", dir_ / "skin/made.txt"),
      Failed("SaveToFile('" + deep + "')", deep),
      Failed("MoveFile('" + canary_ + "')", canary_),
      Failed("MoveFile('" + payload + "', '" + bashrc + "')", bashrc),
      // The source of a move is deleted: a folder that is only read is no
      // place for it.
      Failed("MoveFile('" + (dir_ / "skin/part.txt") + "', 'part.txt')", dir_ / "skin/part.txt"),
      // MoveFile takes relative paths in the result folder.
      {"MoveFile('a.tmp', 'moved/a.tmp')", "", {}},
  };
  ExpectEvaluations(cases);
  EXPECT_EQ(Snapshot(dir_ / "out"),
            (Tree{{"data.txt", "data"}, {"made.txt", ""}, {"moved/a.tmp", "to move"}}));
  EXPECT_EQ(Snapshot(dir_ / "root"), (Tree{{"sub/made.txt", ""}}));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "skin/made.txt"));
}

// A link at a destination is neither written through nor asked where it
// leads for a file that SaveToFile would make.
TEST_F(Confinement, LinksInTheResultFolderLeadNowhere) {
  if (!MakeLink(canary_, dir_ / "out/to-canary")) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(MakeLink(dir_ / "outside/made.txt", dir_ / "out/dangling"));
  ASSERT_TRUE(MakeLink(dir_ / "outside", dir_ / "out/folder"));
  const EvalCase cases[] = {
      {"SaveToFile('to-canary', 'result')", "", {}},  // exists: left as it is
      {"SaveToFile('dangling', 'result')", std::nullopt,
       {Unresolved("SaveToFile('dangling', 'result')")}},
      Failed("SaveToFile('folder/made.txt', 'result')", dir_ / "out/folder/made.txt"),
      Missing("LoadFromFile('to-canary', 'result')", dir_ / "out/to-canary"),
      Failed("MoveFile('to-canary', 'copied.txt')", dir_ / "out/to-canary"),
  };
  ExpectEvaluations(cases);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out/copied.txt"));
}

// "MoveFile('Makefile')" deleted a file of the folder the tool ran in.
TEST_F(Confinement, TheWorkingFolderIsNeverABase) {
  const std::string previous = std::filesystem::current_path().string();
  std::filesystem::current_path(dir_ / "outside");
  const EvalCase cases[] = {
      Fails("MoveFile('canary.txt')"),  // sought in the result folder: missing
      Missing("LoadFromFile('canary.txt', 'nokind')", "canary.txt"),
  };
  ExpectEvaluations(cases);
  std::filesystem::current_path(previous);
}

TEST_F(Confinement, HostsDeclareExtraFolders) {
  Set(kReadFoldersValue, dir_ / "outside/;" + (dir_ / "nosuch"));
  Set(kWriteFoldersValue, dir_ / "extra");
  const std::string outside = dir_ / "outside/new.txt";
  const EvalCase cases[] = {
      {"LoadFromFile('" + canary_ + "')", "precious", {}},
      {"SaveToFile('" + (dir_ / "extra/new.txt") + "')", "", {}},
      Failed("SaveToFile('" + outside + "')", outside),
  };
  ExpectEvaluations(cases);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "extra/new.txt"));
}

// Records the temporary folder the manager tells its file sources.
class FolderRecorder : public SelfCounted<ITplFileSource> {
 public:
  int32_t QL_CALL Initialize(const char* folder) override {
    temp_folder = folder;
    return 0;
  }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t*) override { return out->Empty(), 1; }
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t*) override { return out->Empty(), 1; }
  int32_t QL_CALL GetSourcePath(ICvoString*, const char*) override { return 1; }
  std::string temp_folder;
};

// A host that sets no folders leaves templates the manager's temporary
// folder and, to read, the extension folder.
TEST_F(Confinement, WithoutFolderValuesOnlyTheTemporaryAndExtensionFolders) {
  for (const char* name :
       {"System.SourceFolderName", "System.ResultFolderName", "System.RootFolderName"})
    Set(name, "");
  FolderRecorder source;
  ASSERT_EQ(session_.manager->AddFileSource(&source), 0);
  const std::string temp = source.temp_folder + "made.txt";
  const std::string stock = QUENLOFT_LIB_DIR "/Pelion5Ext/template_skin/index.htm";
  const std::string data = dir_ / "out/data.txt";
  const EvalCase cases[] = {
      {"SaveToFile('" + temp + "')", "", {}},
      {"LoadFromFile('" + temp + "')", "LoadFromFile('" + temp + "')", {}},  // empty
      Missing("LoadFromFile('" + data + "')", data),
      Failed("SaveToFile('" + stock + "x')", stock + "x"),
  };
  ExpectEvaluations(cases);
  EXPECT_EQ(Eval("LoadFromFile('" + stock + "')"), ReadFile(stock));
  EXPECT_EQ(session_.manager->RemoveFileSource(&source), 0);
}

}  // namespace
}  // namespace quenloft::testing
