// The skin watcher on Linux: one inotify watch per folder.
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <utility>

#include "skin_watcher.h"

namespace quenloft_tool {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kEvents = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                             IN_MOVED_TO | IN_ATTRIB | IN_DONT_FOLLOW;
// A burst ends after this much quiet; a stream of changes that never
// pauses is still taken every so often.
constexpr int kQuietMilliseconds = 150;
constexpr auto kLongestBurst = std::chrono::seconds(2);
// How often the stop flag is looked at while nothing happens.
constexpr int kIdleMilliseconds = 100;

class InotifyWatcher final : public SkinWatcher {
 public:
  InotifyWatcher(int fd, std::string skin, bool hidden)
      : fd_(fd), skin_(std::move(skin)), hidden_(hidden) {}
  ~InotifyWatcher() override { close(fd_); }
  InotifyWatcher(const InotifyWatcher&) = delete;
  InotifyWatcher& operator=(const InotifyWatcher&) = delete;

  // Watches the folder `relative` ("" or "sub/") and the folders below it;
  // adds the files found to `found` when given (a folder made or moved in
  // brings its files with it, written before its watch existed).
  void AddTree(const std::string& relative, std::set<std::string>* found) {
    const int watch = inotify_add_watch(fd_, (skin_ + relative).c_str(), kEvents | IN_ONLYDIR);
    if (watch < 0) return;  // gone again, or not readable
    folders_[watch] = relative;
    std::error_code ec;
    for (fs::directory_iterator it(skin_ + relative, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (!hidden_ && name[0] == '.') continue;
      std::error_code type_ec;
      if (it->is_directory(type_ec) && !it->is_symlink(type_ec)) {
        AddTree(relative + name + "/", found);
      } else if (found != nullptr) {
        found->insert(relative + name);
      }
    }
  }

  // Watches the folder of each extra file for that file's name.
  void AddExtra(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
      const fs::path path(file);
      const int watch =
          inotify_add_watch(fd_, path.parent_path().c_str(), kEvents | IN_ONLYDIR);
      if (watch >= 0) extra_[watch][path.filename().string()] = file;
    }
  }

  SkinChanges Next(bool (*stopped)()) override {
    SkinChanges changes;
    std::set<std::string> names;
    // The first event, then more until a quiet moment.
    while (names.empty() && !changes.everything) {
      if (stopped()) return {};
      if (Ready(kIdleMilliseconds)) Read(&names, &changes.everything);
    }
    const auto burst_end = Clock::now() + kLongestBurst;
    while (Clock::now() < burst_end && !stopped() && Ready(kQuietMilliseconds)) {
      Read(&names, &changes.everything);
    }
    changes.names.assign(names.begin(), names.end());
    return changes;
  }

 private:
  bool Ready(int milliseconds) {
    pollfd ready{fd_, POLLIN, 0};
    return poll(&ready, 1, milliseconds) > 0 && (ready.revents & POLLIN) != 0;
  }

  void Read(std::set<std::string>* names, bool* everything) {
    alignas(inotify_event) char buffer[64 * 1024];
    const ssize_t size = read(fd_, buffer, sizeof buffer);
    for (ssize_t at = 0; size > 0 && at < size;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const std::string name = event.len > 0 ? std::string(buffer + at + sizeof event) : "";
      at += static_cast<ssize_t>(sizeof event + event.len);
      Take(event, name, names, everything);
    }
  }

  void Take(const inotify_event& event, const std::string& name, std::set<std::string>* names,
            bool* everything) {
    if ((event.mask & IN_Q_OVERFLOW) != 0) {
      *everything = true;
      return;
    }
    if (const auto extra = extra_.find(event.wd); extra != extra_.end()) {
      if (const auto file = extra->second.find(name); file != extra->second.end()) {
        names->insert(file->second);
      }
    }
    const auto folder = folders_.find(event.wd);
    if (folder == folders_.end()) return;
    if ((event.mask & IN_IGNORED) != 0) {
      folders_.erase(folder);
      return;
    }
    if (name.empty() || (!hidden_ && name[0] == '.')) return;
    const std::string relative = folder->second + name;
    if ((event.mask & IN_ISDIR) != 0) {
      if ((event.mask & (IN_CREATE | IN_MOVED_TO)) != 0) AddTree(relative + "/", names);
      return;
    }
    names->insert(relative);
  }

  int fd_;
  std::string skin_;
  bool hidden_;
  std::map<int, std::string> folders_;  // watch -> folder below the skin
  std::map<int, std::map<std::string, std::string>> extra_;  // watch -> name -> extra file
};

}  // namespace

std::unique_ptr<SkinWatcher> SkinWatcher::Make(const std::string& skin,
                                               const std::vector<std::string>& extra,
                                               bool hidden, std::string* error) {
  const int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (fd < 0) {
    *error = std::string("cannot watch the skin: ") + std::strerror(errno);
    return nullptr;
  }
  auto watcher = std::make_unique<InotifyWatcher>(fd, skin, hidden);
  watcher->AddTree("", nullptr);
  watcher->AddExtra(extra);
  return watcher;
}

}  // namespace quenloft_tool
