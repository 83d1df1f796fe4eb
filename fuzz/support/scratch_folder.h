// A folder of the fuzzing process's own, made once and removed at exit,
// that tells whether the code under test reached beyond what it may use.
//
// Beside the folders the target hands to the library it holds "outside"
// with one file, watched with inotify. After each input CheckUntouched()
// aborts when that file was opened, or when a file outside "out" was made,
// changed or removed. (The file's text is no help there: comparing values
// with it would teach the fuzzer the text, which an input may then write
// itself.) While an input runs the process works in a folder of the
// scratch folder ("cwd", see Enter), so that relative paths that wrongly
// resolve against it land where the check sees them.
#ifndef QUENLOFT_FUZZ_SUPPORT_SCRATCH_FOLDER_H
#define QUENLOFT_FUZZ_SUPPORT_SCRATCH_FOLDER_H

#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

namespace quenloft_fuzz {

class ScratchFolder {
 public:
  // Makes the folder with the given read-only files in "skin" (name,
  // content) and the empty writable folder "out".
  explicit ScratchFolder(std::initializer_list<std::pair<const char*, std::string_view>> skin) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "quenloft-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Fail("can not make a scratch folder");
    root_ = pattern;
    for (const char* folder : {"skin", "out", "cwd", "outside"}) fs::create_directory(root_ / folder);
    const fs::path secret = root_ / "outside" / "secret.txt";
    Write(secret, "not for templates\n");
    for (const auto& [name, content] : skin) Write(root_ / "skin" / name, content);
    home_ = fs::current_path();
    snapshot_ = Files(root_, "out");
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ < 0 || inotify_add_watch(watch_, secret.c_str(), IN_OPEN) < 0) {
      Fail("can not watch the file outside");
    }
  }
  ~ScratchFolder() {
    close(watch_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Full paths ending in "/".
  std::string Skin() const { return (root_ / "skin").string() + "/"; }
  std::string Out() const { return (root_ / "out").string() + "/"; }

  // The working folder while an input runs; the fuzzer's own files (the
  // corpus, its findings) are named relative to the one it started in,
  // which Leave restores.
  void Enter() const { std::filesystem::current_path(root_ / "cwd"); }
  void Leave() const { std::filesystem::current_path(home_); }

  // Empties "out" for the next input.
  void ClearOut() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(root_ / "out", ec)) {
      std::filesystem::remove_all(entry.path(), ec);
    }
  }

  void CheckUntouched() const {
    if (Opened()) Fail("a file outside the allowed folders was opened");
    if (Files(root_, "out") != snapshot_) Fail("a file outside the writable folder was changed");
    Opened();  // the comparison just read it
  }

 private:
  [[noreturn]] static void Fail(const char* why) {
    std::fprintf(stderr, "scratch folder: %s\n", why);
    std::abort();
  }

  static void Write(const std::filesystem::path& path, std::string_view content) {
    std::ofstream(path, std::ios::binary).write(content.data(),
                                                static_cast<std::streamsize>(content.size()));
  }

  // True when the watched file was opened since the last call.
  bool Opened() const {
    bool opened = false;
    char events[4096];
    while (read(watch_, events, sizeof events) > 0) opened = true;
    return opened;
  }

  // Every entry below the folder but those below its sub-folder skipped,
  // with the contents of its files.
  static std::map<std::string, std::string> Files(const std::filesystem::path& folder,
                                                  std::string_view skipped) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      const fs::path relative = it->path().lexically_relative(folder);
      if (*relative.begin() == skipped) {
        if (it->is_directory(ec)) it.disable_recursion_pending();
        continue;
      }
      std::string content;
      if (it->is_regular_file(ec)) {
        std::ifstream in(it->path(), std::ios::binary);
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      }
      entries.emplace(relative.string(), std::move(content));
    }
    return entries;
  }

  std::filesystem::path root_;
  std::filesystem::path home_;
  std::map<std::string, std::string> snapshot_;
  int watch_ = -1;
};

}  // namespace quenloft_fuzz

#endif  // QUENLOFT_FUZZ_SUPPORT_SCRATCH_FOLDER_H
