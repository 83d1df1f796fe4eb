// ToolProcess on Windows: quenloft.exe started with CreateProcessA, its
// output sent to files as on POSIX.
#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "tool/run_tool.h"

namespace tool_test {

namespace fs = std::filesystem;

namespace {

// One argument as the C runtime's command-line parser reads it back:
// quoted when it holds a space, tab or quote; backslashes doubled before a
// quote and before the closing quote.
void AppendArgument(std::string* line, const std::string& arg) {
  if (!line->empty()) *line += ' ';
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
    *line += arg;
    return;
  }
  *line += '"';
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line->append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    *line += c;
  }
  line->append(2 * backslashes, '\\');
  *line += '"';
}

HANDLE OpenInheritable(const fs::path& path, bool write) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ToolProcess::ToolProcess(const std::vector<std::string>& args) {
  static int counter = 0;
  const fs::path base = fs::temp_directory_path() /
                        ("quenloft-tool-run-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++counter));
  out_file_ = base.string() + ".out";
  err_file_ = base.string() + ".err";
  std::string line;
  AppendArgument(&line, QUENLOFT_TOOL_PATH);
  for (const std::string& arg : args) AppendArgument(&line, arg);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = OpenInheritable("NUL", false);
  startup.hStdOutput = OpenInheritable(out_file_, true);
  startup.hStdError = OpenInheritable(err_file_, true);
  PROCESS_INFORMATION info = {};
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &info);
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  if (!started) throw std::runtime_error("cannot start " + line);
  CloseHandle(info.hThread);
  process_ = info.hProcess;
}

ToolProcess::~ToolProcess() {
  if (process_ != nullptr) {
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
  }
  std::error_code ec;
  fs::remove(out_file_, ec);
  fs::remove(err_file_, ec);
}

bool ToolProcess::Exited() { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }

namespace {

// Standard output and error are in text mode on Windows: lines end in CR LF.
std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

}  // namespace

ToolRun ToolProcess::Finish() {
  WaitForSingleObject(process_, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  ToolRun run;
  run.exit_code = static_cast<int>(code);
  run.out = WithoutCarriageReturns(ReadFile(out_file_.string()));
  run.err = WithoutCarriageReturns(ReadFile(err_file_.string()));
  return run;
}

}  // namespace tool_test
