// A private folder per test and small file helpers, left for the manager
// and function tests that still use them; the in-house tests use the
// shared fixtures.
#ifndef TESTS_INHOUSE_SCRATCH_FOLDER_H
#define TESTS_INHOUSE_SCRATCH_FOLDER_H

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace inhouse_test {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string templ = (std::filesystem::temp_directory_path() / "inhouse_test_XXXXXX").string();
    if (::mkdtemp(templ.data()) != nullptr) path_ = templ;
  }
  ~ScratchFolder() {
    std::error_code error;
    // Give back write and search permission that a test took away.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
      if (it->is_directory(error) && !it->is_symlink(error)) ::chmod(it->path().c_str(), 0700);
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The path of name inside the folder.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline bool RunningAsRoot() { return ::geteuid() == 0; }

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline unsigned ModeOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

// The names in a folder, sorted.
inline std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace inhouse_test

#endif  // TESTS_INHOUSE_SCRATCH_FOLDER_H
