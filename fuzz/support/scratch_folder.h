// A folder of the fuzzing process's own, made once and removed at exit,
// that tells whether the code under test reached beyond what it may use.
//
// Beside the folders the target hands to the library it holds "outside",
// with a file of random text that no input knows. After each input
// CheckUntouched() aborts when a file outside the writable folders was
// made, changed or removed, or when a value or a written file holds the
// secret text that its input did not hold (the file was read). The process works in a folder of
// its own there (the "cwd" sub-folder), so relative paths that wrongly
// resolve against it land where the check sees them.
#ifndef QUENLOFT_FUZZ_SUPPORT_SCRATCH_FOLDER_H
#define QUENLOFT_FUZZ_SUPPORT_SCRATCH_FOLDER_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <random>
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
    fs::create_directories(root_ / "skin");
    fs::create_directories(root_ / "out");
    fs::create_directories(root_ / "cwd");
    fs::create_directories(root_ / "outside");
    std::random_device random;
    for (int i = 0; i < 4; ++i) secret_ += std::to_string(random());
    Write(root_ / "outside" / "secret.txt", secret_);
    for (const auto& [name, content] : skin) Write(root_ / "skin" / name, content);
    home_ = fs::current_path();
    snapshot_ = Files(root_, "out");
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Full paths ending in "/".
  std::string Skin() const { return (root_ / "skin").string() + "/"; }
  std::string Out() const { return (root_ / "out").string() + "/"; }
  std::string Secret() const { return (root_ / "outside" / "secret.txt").string(); }

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

  // Aborts when the files beside "out" changed, or when a value the input
  // gave or a file in "out" shows the secret that the input did not hold.
  void CheckUntouched(std::string_view input, std::string_view value) const {
    if (input.find(secret_) == std::string_view::npos) {
      if (value.find(secret_) != std::string_view::npos) {
        Fail("a value holds the text of a file outside the allowed folders");
      }
      for (const auto& [name, content] : Files(root_ / "out")) {
        if (content.find(secret_) != std::string::npos) {
          Fail("a written file holds the text of a file outside the allowed folders");
        }
      }
    }
    if (Files(root_, "out") != snapshot_) Fail("a file outside the writable folder was changed");
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

  // Every entry below the folder but those below its sub-folder skipped,
  // with the contents of its files.
  static std::map<std::string, std::string> Files(const std::filesystem::path& folder,
                                                  std::string_view skipped = {}) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      const fs::path relative = it->path().lexically_relative(folder);
      if (!skipped.empty() && *relative.begin() == skipped) {
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
  std::string secret_;
  std::map<std::string, std::string> snapshot_;
};

}  // namespace quenloft_fuzz

#endif  // QUENLOFT_FUZZ_SUPPORT_SCRATCH_FOLDER_H
