#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "system_calls.h"

namespace quenloft_tool::system_calls {
namespace {

std::atomic<void (*)()> g_on_interrupt{nullptr};

// Runs on a thread the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (auto* on_interrupt = g_on_interrupt.load()) on_interrupt();
  return TRUE;
}

std::string ModuleFile(HMODULE module) {
  std::string name(MAX_PATH, '\0');
  for (;;) {
    const DWORD size = GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
    if (size == 0) return {};
    if (size < name.size()) {
      name.resize(size);
      return name;
    }
    name.resize(name.size() * 2);  // cut short: the name is longer
  }
}

std::string LastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD size = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = size != 0 ? std::string(text, size) : "error " + std::to_string(code);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == '.' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

}  // namespace

ComponentRuntime::ComponentRuntime()
    : opened_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComponentRuntime::~ComponentRuntime() {
  if (opened_) CoUninitialize();
}

namespace {
// A console, not any character device (NUL is one too), and one that
// takes the escape sequences of the progress bar and of colours.
bool IsConsole(DWORD which) {
  const HANDLE console = GetStdHandle(which);
  DWORD mode = 0;
  return GetConsoleMode(console, &mode) &&
         SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}
}  // namespace

bool StderrIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }
bool StdoutIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }

void CatchInterrupt(void (*on_interrupt)()) {
  g_on_interrupt.store(on_interrupt);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void WriteToStderr(const char* text, size_t size) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(size), &written, nullptr);
}

void KeepRunningPastFileSizeLimit() {}  // no such limit or signal here

std::string LibraryFile() {
  const HMODULE library = GetModuleHandleA("quenloft.dll");
  return library != nullptr ? ModuleFile(library) : std::string();
}

std::string ProgramFile() { return ModuleFile(nullptr); }

bool SyncToDisk(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // Windows flushes a folder's entries with its files.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool synced = FlushFileBuffers(file) != 0;
  return CloseHandle(file) != 0 && synced;
}

bool OnOneFileSystem(const std::string& /*a*/, const std::string& /*b*/) { return true; }

bool MayHaveHoles(int /*fd*/, uint64_t /*size*/) { return true; }

char* AllocateFileBuffer(size_t size) { return static_cast<char*>(std::malloc(size)); }

void FreeFileBuffer(char* data) { std::free(data); }

bool CanMakeFileIn(const std::string& folder, std::string* error) {
  // A folder's read-only attribute does not stop writing into it; making a
  // file does the real test.
  char probe[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "qlp", 0, probe) == 0) {
    *error = LastErrorText();
    return false;
  }
  DeleteFileA(probe);
  return true;
}

FolderLock::Result FolderLock::Lock(const std::string& folder, const char* name,
                                    std::string* error) {
  path_ = folder + name;
  // Shared with nobody, and deleted when the handle closes (also when the
  // process dies).
  const HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                  nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_SHARING_VIOLATION) return Result::kBusy;
    *error = LastErrorText();
    return Result::kFailed;
  }
  handle_ = file;
  return Result::kLocked;
}

FolderLock::~FolderLock() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

std::string MakeTemporaryFolder(const char* prefix) {
  char temp[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length > MAX_PATH) return {};
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%08lx%04lx",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>((GetTickCount() + counter++) & 0xffffu));
    std::string folder = std::string(temp) + prefix + suffix;
    if (CreateDirectoryA(folder.c_str(), nullptr)) {
      // The form AbsoluteFolder gives, so that names built on it match.
      for (char& c : folder) {
        if (c == '\\') c = '/';
      }
      return folder + "/";
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

}  // namespace quenloft_tool::system_calls
