// Runs the built quenloft binary and collects what it printed.
#ifndef QUENLOFT_TESTS_TOOL_RUN_TOOL_H
#define QUENLOFT_TESTS_TOOL_RUN_TOOL_H

#ifndef _WIN32
#include <sys/types.h>
#endif

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/files.h"

namespace tool_test {

using quenloft::testing::ReadFile;
using quenloft::testing::ReadTree;
using quenloft::testing::Tree;
using quenloft::testing::WriteFile;

struct ToolRun {
  int exit_code = -1;  // 128 + signal when the tool died of a signal
  std::string out;
  std::string err;
};

// A tool started in the background, its output going to files; Finish()
// waits for it. Started by tool_process.cpp on POSIX, tool_process_win32.cpp
// on Windows.
class ToolProcess {
 public:
  explicit ToolProcess(const std::vector<std::string>& args);
  ~ToolProcess();
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

#ifndef _WIN32
  pid_t pid() const { return static_cast<pid_t>(id_); }
#endif
  bool Exited();  // without waiting
  // What it printed on stderr so far.
  std::string ErrSoFar() const { return ReadFile(files_ / "err"); }
  ToolRun Finish();

 private:
  std::intptr_t id_ = -1;  // the process ID, or on Windows its handle
  int status_ = 0;
  bool reaped_ = false;
  quenloft::testing::ScratchFolder files_;  // "out" and "err"
};

inline ToolRun RunTool(const std::vector<std::string>& args) { return ToolProcess(args).Finish(); }

// Runs the tool and checks its exit code, that its stderr holds `message`
// and, unless null, all of its stdout.
inline void ExpectRun(const std::vector<std::string>& args, int exit_code,
                      const std::string& message, const char* out = nullptr) {
  SCOPED_TRACE(args.empty() ? "no command" : args[0] + " " + args.back());
  const ToolRun run = RunTool(args);
  EXPECT_EQ(run.exit_code, exit_code) << run.err;
  EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  if (out != nullptr) {
    EXPECT_EQ(run.out, out);
  }
}
#ifndef _WIN32
// The tool started under a limit on the size of the files it writes (as
// `ulimit -f` sets it), with SIGXFSZ at its default: the tool must ignore
// it itself to get errors instead of its death.
ToolRun RunToolWithFileSizeLimit(const std::vector<std::string>& args, size_t bytes);
#endif

}  // namespace tool_test

#endif  // QUENLOFT_TESTS_TOOL_RUN_TOOL_H
