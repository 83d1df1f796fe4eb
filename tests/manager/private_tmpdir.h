// Points TMPDIR at a fresh folder of the test's own for the life of the
// object, so that what managers create there can be counted.
#ifndef QUENLOFT_TESTS_MANAGER_PRIVATE_TMPDIR_H
#define QUENLOFT_TESTS_MANAGER_PRIVATE_TMPDIR_H

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace quenloft::testing {

class PrivateTmpDir {
 public:
  PrivateTmpDir() {
    if (const char* old = getenv("TMPDIR")) previous_ = old;
    std::string pattern = (std::filesystem::temp_directory_path() / "ql_foundation_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    setenv("TMPDIR", path_.c_str(), 1);
  }
  ~PrivateTmpDir() {
    previous_ ? setenv("TMPDIR", previous_->c_str(), 1) : unsetenv("TMPDIR");
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  PrivateTmpDir(const PrivateTmpDir&) = delete;
  PrivateTmpDir& operator=(const PrivateTmpDir&) = delete;

  const std::string& path() const { return path_; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
  std::optional<std::string> previous_;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_MANAGER_PRIVATE_TMPDIR_H
