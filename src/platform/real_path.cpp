// RealPath on POSIX: one lstat per component of the existing part, and
// realpath where a component is a link.
#include "platform/real_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace quenloft::platform {

namespace {

std::string ParentOf(const std::string& real) {
  const size_t slash = real.rfind('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : real.substr(0, slash);
}

std::string Child(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.back() != '/') path += '/';
  path += name;
  return path;
}

// The components of a path, separators of both kinds, empty ones dropped.
std::vector<std::string_view> ComponentsOf(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = path.find_first_of("/\\", start);
    const size_t stop = end == std::string_view::npos ? path.size() : end;
    if (stop > start) parts.push_back(path.substr(start, stop - start));
    start = stop + 1;
  }
  return parts;
}

// Paths come with either separator; the system takes "/".
std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace

std::optional<std::string> RealPath(std::string_view path, LastLink last) {
  if (path.empty() || (path.front() != '/' && path.front() != '\\')) return std::nullopt;
  const std::vector<std::string_view> parts = ComponentsOf(path);
  std::string real = "/";                 // the existing part, resolved
  std::vector<std::string_view> missing;  // the part that does not exist yet
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string_view part = parts[i];
    if (part == ".") continue;
    if (part == "..") {
      if (missing.empty()) {
        real = ParentOf(real);
      } else {
        missing.pop_back();
      }
      continue;
    }
    if (!missing.empty()) {
      missing.push_back(part);
      continue;
    }
    std::string next = Child(real, part);
    struct stat st;
    if (::lstat(next.c_str(), &st) != 0) {
      if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
      missing.push_back(part);
      continue;
    }
    if (S_ISLNK(st.st_mode) && !(i + 1 == parts.size() && last == LastLink::kKeep)) {
      char* resolved = ::realpath(next.c_str(), nullptr);
      if (resolved == nullptr) return std::nullopt;  // dangling, a loop, unreadable
      next = resolved;
      std::free(resolved);
    }
    real = std::move(next);
  }
  for (const std::string_view part : missing) real = Child(real, part);
  return real;
}

std::string WorkingFolder() {
  char* folder = ::getcwd(nullptr, 0);
  if (folder == nullptr) return {};
  std::string copy(folder);
  std::free(folder);
  return copy;
}

bool IsWithin(std::string_view real_path, std::string_view real_folder) {
  if (real_folder.empty() || real_path.compare(0, real_folder.size(), real_folder) != 0)
    return false;
  return real_path.size() == real_folder.size() || real_folder.back() == '/' ||
         real_path[real_folder.size()] == '/';
}

bool IsSymbolicLink(const std::string& path) {
  struct stat st;
  return ::lstat(Native(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::optional<uint64_t> RegularFileSize(const std::string& path) {
  struct stat st;
  if (::stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

}  // namespace quenloft::platform
