// ToolProcess on Windows: quenloft.exe started with CreateProcessA, its
// output sent to files as on POSIX.
#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "tool/run_tool.h"

namespace tool_test {

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

HANDLE OpenInheritable(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ToolProcess::ToolProcess(const std::vector<std::string>& args) {
  std::string line;
  AppendArgument(&line, QUENLOFT_TOOL_PATH);
  for (const std::string& arg : args) AppendArgument(&line, arg);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = OpenInheritable("NUL", false);
  startup.hStdOutput = OpenInheritable(files_ / "out", true);
  startup.hStdError = OpenInheritable(files_ / "err", true);
  PROCESS_INFORMATION info = {};
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &info);
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  if (!started) throw std::runtime_error("cannot start " + line);
  CloseHandle(info.hThread);
  id_ = reinterpret_cast<std::intptr_t>(info.hProcess);
}

ToolProcess::~ToolProcess() {
  WaitForSingleObject(reinterpret_cast<HANDLE>(id_), INFINITE);
  CloseHandle(reinterpret_cast<HANDLE>(id_));
}

bool ToolProcess::Exited() {
  return WaitForSingleObject(reinterpret_cast<HANDLE>(id_), 0) == WAIT_OBJECT_0;
}

ToolRun ToolProcess::Finish() {
  WaitForSingleObject(reinterpret_cast<HANDLE>(id_), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(reinterpret_cast<HANDLE>(id_), &code);
  // Standard output and error are in text mode on Windows: lines end in CR LF.
  const auto without_cr = [](std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  };
  return {static_cast<int>(code), without_cr(ReadFile(files_ / "out")),
          without_cr(ReadFile(files_ / "err"))};
}

}  // namespace tool_test
