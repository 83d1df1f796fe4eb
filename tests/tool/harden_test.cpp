// What the tool refuses or keeps away from a skin it does not trust yet
// beyond its golden cases: value files that never end, links out of the
// skin, a second build into a locked output, what Ctrl-C does once and twice.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "tool/run_tool.h"

namespace tool_test {
namespace {

namespace fs = std::filesystem;
using quenloft::testing::ScratchFolder;
using quenloft::testing::Tree;
using Names = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

TEST(ToolHarden, ValueFilesThatAreTooLargeOrNoFilesAreRefused) {
  ScratchFolder work;
  const std::string big = work / "big.values";
  WriteFile(big, "");
  fs::resize_file(big, (16u << 20) + 1);  // sparse: nothing is written
  ExpectRun({"eval", "Concat('a')", "--values", big}, 2, "big.values is larger than 16 MB");
#ifndef _WIN32
  ExpectRun({"eval", "Concat('a')", "--values", "/dev/zero"}, 2,
                "/dev/zero is not a regular file");
#endif
}

// What a skin writes under eval lands in a folder of its own, which is
// gone afterwards (check's own is golden case check-writes-nothing).
TEST(ToolHarden, EvalWritesOnlyIntoAFolderOfItsOwn) {
  const ToolRun eval = RunTool({"eval", "SaveToFile('quenloft-eval-stamp.txt', 'result')"});
  EXPECT_EQ(eval.exit_code, 0) << eval.err;
  EXPECT_FALSE(fs::exists("quenloft-eval-stamp.txt"));  // the folder it was run from
}

#ifndef _WIN32
// A sparse skin file stays sparse in the output, whatever its type: a
// file with holes holds zero bytes and is copied, never patched.
TEST(ToolHarden, SparseFilesStaySparse) {
  ScratchFolder skin, out;
  for (const char* name : {"holes.htm", "holes.bin"}) {
    WriteFile(skin / name, "");
    fs::resize_file(skin / name, 64u << 20);
  }
  ExpectRun({"build", skin.path(), "-o", out.path(), "-q"}, 0, "");
  for (const char* name : {"holes.htm", "holes.bin"}) {
    struct stat status {};
    ASSERT_EQ(stat((out / name).c_str(), &status), 0) << name;
    EXPECT_EQ(status.st_size, 64 << 20) << name;
    EXPECT_LT(status.st_blocks * 512, 1 << 20) << name;
  }
}
#endif

#ifndef _WIN32  // links need a privilege there
TEST(ToolHarden, LinksLeadingOutOfTheSkinAreSkipped) {
  ScratchFolder work, out, followed;
  const std::string skin = work / "skin";
  WriteFile(skin + "/a.htm", "<!--%Concat('a')%-->");
  WriteFile(work / "secret.txt", "secret");
  fs::create_symlink("../secret.txt", skin + "/secret.txt");
  fs::create_symlink("a.htm", skin + "/inside.htm");
  fs::create_directory_symlink(work.path(), skin + "/up");  // folders: never followed
  const std::string warning = "quenloft: warning: skipped secret.txt -> " +
                              fs::canonical(work / "secret.txt").generic_string() +
                              ": the link leads outside the skin";
  const ToolRun build = RunTool({"build", skin, "-o", out.path(), "-q"});
  EXPECT_EQ(build.exit_code, 0) << build.err;
  EXPECT_NE(build.err.find(warning), std::string::npos) << build.err;
  EXPECT_EQ(ReadTree(out.path()), (Tree{{"a.htm", "a"}, {"inside.htm", "a"}}));
  const ToolRun check = RunTool({"check", skin});
  EXPECT_NE(check.err.find(warning), std::string::npos) << check.err;
  EXPECT_NE(check.err.find("2 files checked"), std::string::npos) << check.err;

  const ToolRun follow = RunTool({"build", skin, "-o", followed.path(), "--follow-links"});
  EXPECT_EQ(follow.exit_code, 0) << follow.err;
  EXPECT_EQ(follow.err.find("warning"), std::string::npos) << follow.err;
  EXPECT_EQ(ReadTree(followed.path()),
            (Tree{{"a.htm", "a"}, {"inside.htm", "a"}, {"secret.txt", "secret"}}));
}

TEST(ToolHarden, OutputReachedThroughALinkIsComparedByItsRealPath) {
  ScratchFolder work;
  WriteFile(work / "skin/a.htm", "a");
  fs::create_directory_symlink(work.path(), work / "alias");
  ExpectRun({"build", work / "skin", "-o", work / "alias"}, 2, "contains the skin");
  ExpectRun({"build", work / "skin", "-o", work / "alias/skin/x/.."}, 2,
                "lies inside the skin");
  EXPECT_EQ(ReadTree(work.path()), (Tree{{"skin/a.htm", "a"}}));
}

TEST(ToolHarden, SecondBuildIntoALockedFolderStops) {
  ScratchFolder skin, out;
  WriteFile(skin / "a.htm", "<!--%Concat('a')%-->");
  const std::string lock = out / ".quenloft-build.lock";
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  ExpectRun({"build", skin.path(), "-o", out.path()}, 1,
                "another build is writing to " + out.path() + "/");
  EXPECT_EQ(ReadTree(out.path()), (Tree{{".quenloft-build.lock", ""}}));
  close(fd);  // the holder ended without removing it, as a killed build does
  const ToolRun run = RunTool({"build", skin.path(), "-o", out.path()});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadTree(out.path()), (Tree{{"a.htm", "a"}}));
}

bool WaitFor(ToolProcess& tool, const std::function<bool()>& ready) {
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (!tool.Exited() && Clock::now() < deadline) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// A statement that would evaluate itself without end (twice per level),
// allowed all the evaluations it wants: the first Ctrl-C stops it, and the
// file is written whole.
TEST(ToolHarden, FirstCtrlCStopsTheEvaluation) {
  ScratchFolder skin, out;
  const std::string runaway = "<!--%ReplaceMacros(x$$)%-->";
  WriteFile(skin / "a.htm", runaway);
  ToolProcess tool({"build", skin.path(), "-o", out.path(), "--set", "EvaluationLimit=2000000000",
                    "--var", "x$$=%ReplaceMacros(x$$)%%ReplaceMacros(x$$)%"});
  // The build holds its lock from before the first file to the end.
  ASSERT_TRUE(WaitFor(tool, [&] { return fs::exists(out / ".quenloft-build.lock"); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // into the evaluation
  ASSERT_FALSE(tool.Exited());
  kill(tool.pid(), SIGINT);
  const ToolRun run = tool.Finish();
  EXPECT_EQ(run.exit_code, 130) << run.err;
  // Told once; what fails after it is not reported as unresolved.
  const size_t stop = run.err.find("Template Error: evaluation stopped at the host's request\n");
  ASSERT_NE(stop, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("can not resolve", stop), std::string::npos) << run.err.substr(stop);
  EXPECT_NE(run.out.find("(interrupted)"), std::string::npos) << run.out;
  // Written once, through a temporary name that is gone.
  EXPECT_EQ(ReadTree(out.path()).size(), 1u);
  EXPECT_TRUE(fs::exists(out / "a.htm"));
}

// Values read from a pipe (as `--vars <(...)` gives them); one that never
// delivers holds the tool until a second Ctrl-C ends it at once.
TEST(ToolHarden, SecondCtrlCEndsAtOnce) {
  ScratchFolder work;
  const std::string pipe = work / "vars";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  int writer = -1;
  const auto reader_waits = [&] {
    writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    return writer >= 0;
  };
  {
    ToolProcess tool({"eval", "Concat(n$$)", "--vars", pipe});
    ASSERT_TRUE(WaitFor(tool, reader_waits));
    ASSERT_EQ(write(writer, "n$$=piped\n", 10), 10);
    close(writer);
    const ToolRun run = tool.Finish();
    EXPECT_EQ(run.out, "piped\n") << run.err;
  }
  ToolProcess tool({"eval", "Concat(n$$)", "--vars", pipe});
  ASSERT_TRUE(WaitFor(tool, reader_waits));
  kill(tool.pid(), SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(tool.Exited()) << "the first Ctrl-C only asks to stop";
  kill(tool.pid(), SIGINT);
  const ToolRun run = tool.Finish();
  close(writer);
  EXPECT_EQ(run.exit_code, 130);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("Ctrl-C again ends at once"), std::string::npos) << run.err;
}
#endif

}  // namespace
}  // namespace tool_test
