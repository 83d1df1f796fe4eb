// ToolProcess on POSIX: the binary started with posix_spawn.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>

#include "support/files.h"
#include "tool/run_tool.h"

extern char** environ;

namespace tool_test {

namespace fs = std::filesystem;

ToolProcess::ToolProcess(const std::vector<std::string>& args) {
  static int counter = 0;
  const fs::path base =
      fs::temp_directory_path() /
      ("quenloft-tool-run-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
  out_file_ = base.string() + ".out";
  err_file_ = base.string() + ".err";
  std::vector<std::string> argv_text = {QUENLOFT_TOOL_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_file_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_file_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv_text[0]);
}

ToolProcess::~ToolProcess() {
  if (!reaped_ && pid_ > 0) waitpid(pid_, &status_, 0);
  std::error_code ec;
  fs::remove(out_file_, ec);
  fs::remove(err_file_, ec);
}

bool ToolProcess::Exited() {
  if (reaped_) return true;
  if (waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
  return reaped_;
}

ToolRun ToolProcess::Finish() {
  if (!reaped_) {
    waitpid(pid_, &status_, 0);
    reaped_ = true;
  }
  ToolRun run;
  run.exit_code = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
  run.out = ReadFile(out_file_.string());
  run.err = ReadFile(err_file_.string());
  return run;
}

ToolRun RunToolWithFileSizeLimit(const std::vector<std::string>& args, size_t bytes) {
  std::optional<ToolProcess> tool;
  {
    // The tool takes the limit over when it starts; this process writes no
    // file meanwhile.
    const quenloft::testing::FileSizeLimit limit(bytes, SIG_DFL);
    if (!limit.active()) throw std::runtime_error("cannot limit the size of files");
    tool.emplace(args);
  }
  return tool->Finish();
}

}  // namespace tool_test
