// build --watch end to end: a build in the background, files changed in its
// skin, the output polled (with a bounded wait) until the rebuild shows.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "tool/run_tool.h"

#ifdef __linux__
#include <signal.h>
#endif

namespace tool_test {
namespace {

using quenloft::testing::ScratchFolder;

#ifdef __linux__
constexpr char kWatching[] = "for changes (Ctrl-C ends)\n";

// Polls until `done` holds and the tool waits for changes again; false when
// the tool ended or a minute passed.
bool WaitUntil(ToolProcess& tool, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline && !tool.Exited()) {
    const std::string err = tool.ErrSoFar();
    if (done() && err.ends_with(kWatching)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(ToolWatch, RebuildsWhatChangesUntilCtrlC) {
  ScratchFolder skin, out;
  WriteFile(skin / "a.htm", "<!--%Concat('a')%-->");
  WriteFile(skin / "b.css", "/*%var$$%*/");
  WriteFile(skin / "quenloft.ini", "[vars]\nvar$$=one\n[exclude]\nparts\n[prelude]\n"
                                   "part$$ = LoadFromFile('parts/p.txt', 'source')\n");
  WriteFile(skin / "parts/p.txt", "p1");
  WriteFile(skin / "p.htm", "<!--%part$$%-->");
  ToolProcess tool({"build", skin.path(), "-o", out.path(), "--watch"});
  // A failed step must not leave the test waiting for a watch that never ends.
  const struct KillOnFailure {
    ToolProcess& tool;
    ~KillOnFailure() {
      if (!tool.Exited()) kill(tool.pid(), SIGKILL);
    }
  } guard{tool};
  ASSERT_TRUE(WaitUntil(tool, [&] { return ReadFile(out / "b.css") == "one"; }))
      << tool.ErrSoFar();
  // A changed file; a file in a new folder; a hidden file, left alone.
  WriteFile(skin / "a.htm", "<!--%Concat('A')%-->");
  WriteFile(skin / "new/deep/c.htm", "<!--%Concat('c')%-->");
  WriteFile(skin / ".a.htm.swp", "x");
  ASSERT_TRUE(WaitUntil(tool, [&] {
    return ReadFile(out / "a.htm") == "A" && ReadFile(out / "new/deep/c.htm") == "c";
  })) << tool.ErrSoFar();
  // The skin's settings and an excluded partial: everything again.
  WriteFile(skin / "quenloft.ini", "[vars]\nvar$$=two\n[exclude]\nparts\n[prelude]\n"
                                   "part$$ = LoadFromFile('parts/p.txt', 'source')\n");
  ASSERT_TRUE(WaitUntil(tool, [&] { return ReadFile(out / "b.css") == "two"; }))
      << tool.ErrSoFar();
  WriteFile(skin / "parts/p.txt", "p2");
  ASSERT_TRUE(WaitUntil(tool, [&] { return ReadFile(out / "p.htm") == "p2"; }))
      << tool.ErrSoFar();

  // Ctrl-C while it waits: the last build's exit code.
  kill(tool.pid(), SIGINT);
  const ToolRun run = tool.Finish();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadTree(out.path()), (quenloft::testing::Tree{{"a.htm", "A"},
                                                           {"b.css", "two"},
                                                           {"new/deep/c.htm", "c"},
                                                           {"p.htm", "p2"}}));
}
#else
TEST(ToolWatch, RefusedWithoutInotify) {
  ScratchFolder skin, out;
  WriteFile(skin / "a.htm", "a");
  ExpectRun({"build", skin.path(), "-o", out.path(), "--watch"}, 2, "--watch is available on Linux only");
}
#endif

}  // namespace
}  // namespace tool_test
