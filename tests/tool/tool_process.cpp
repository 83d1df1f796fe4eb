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

ToolProcess::ToolProcess(const std::vector<std::string>& args) {
  std::vector<std::string> argv_text = {QUENLOFT_TOOL_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (files_ / "out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (files_ / "err").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv_text[0]);
  id_ = pid;
}

ToolProcess::~ToolProcess() {
  if (!reaped_) waitpid(static_cast<pid_t>(id_), &status_, 0);
}

bool ToolProcess::Exited() {
  if (!reaped_) reaped_ = waitpid(static_cast<pid_t>(id_), &status_, WNOHANG) == id_;
  return reaped_;
}

ToolRun ToolProcess::Finish() {
  if (!reaped_) waitpid(static_cast<pid_t>(id_), &status_, 0);
  reaped_ = true;
  const int code = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
  return {code, ReadFile(files_ / "out"), ReadFile(files_ / "err")};
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
