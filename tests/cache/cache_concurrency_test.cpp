// The cache shared by threads: priming on threads of its own while managers
// on other threads add, copy and read the same files. Run under
// ThreadSanitizer too (label "concurrency").
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cache/library_copy.h"

namespace quenloft_test {
namespace {

using quenloft::testing::ReadFile;

// Files with bytes of their own (zero bytes too), some nested, in each of
// the three template folders.
std::vector<std::pair<std::string, std::string>> MakeLayout(const LibraryCopy& library) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const char* folder : {"template_skin/", "template_stock/", "template_skinpreview/"}) {
    for (int i = 0; i < 30; ++i) {
      const std::string nested = i % 3 == 0 ? "n" + std::to_string(i % 5) + "/" : "";
      files.emplace_back(library.ExtensionFolder() + folder + nested + "f" + std::to_string(i),
                         std::string(folder) + std::string(i, 'x') + '\0');
      if (!quenloft::testing::WriteFile(files.back().first, files.back().second)) return {};
    }
  }
  return files;
}

// Runs the threads; what failed on them is reported from the main thread.
class Threads {
 public:
  void Run(int count, const std::function<void(int)>& body) {
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) threads.emplace_back(body, i);
    for (std::thread& thread : threads) thread.join();
    for (const std::string& what : failures_) ADD_FAILURE() << what;
  }
  void Fail(const std::string& what) {
    std::lock_guard<std::mutex> hold(lock_);
    if (failures_.size() < 20) failures_.push_back(what);
  }
  // Every file cached with its bytes, as a new manager sees it.
  void CheckAllCached(const LibraryCopy& library,
                      const std::vector<std::pair<std::string, std::string>>& files) {
    const ManagerPtr manager = library.CreateManager();
    for (const auto& [path, bytes] : files) {
      if (!manager || manager->IsFileCached(path.c_str()) != 0 ||
          ContentOf(*manager, path) != bytes) {
        Fail("not cached as written: " + path);
      }
    }
  }

 private:
  std::mutex lock_;
  std::vector<std::string> failures_;
};

// Threads 0 and 1 prime, one call at a time: whichever returns, all three
// folders are in the cache by then. The others copy (now and deferred),
// read, ask and add meanwhile, each file in an order of their own.
TEST(TemplateFileCacheConcurrency, PrimingBesideWorkingManagers) {
  LibraryCopy library;
  ASSERT_TRUE(library.Loaded()) << library.Error();
  const auto files = MakeLayout(library);
  ASSERT_EQ(files.size(), 90u);
  Threads threads;
  threads.Run(5, [&](int worker) {
    if (worker < 2) {
      if (library.InitTemplateFilesToCache() != 1) threads.Fail("priming result");
      return threads.CheckAllCached(library, files);
    }
    const ManagerPtr manager = library.CreateManager();
    for (size_t i = 0; manager && i < 2 * files.size(); ++i) {
      const auto& [path, bytes] = files[i % files.size()];
      const std::string destination =
          library.OutsideFolder() + "w" + std::to_string(worker) + "/" + std::to_string(i);
      const size_t operation = (i + static_cast<size_t>(worker)) % 5;
      bool ok = true;
      switch (operation) {
        case 0:
          ok = manager->CopyThroughCache(path.c_str(), destination.c_str(), 0) == 0 &&
               ReadFile(destination) == bytes;
          break;
        case 1:  // inside the extension folder: cached by now, so deferred
          ok = manager->CopyThroughCache(path.c_str(), destination.c_str(), 1) == 1 &&
               ReadFile(destination) == "<missing>";
          break;
        case 2:
          ok = ContentOf(*manager, path) == bytes;
          break;
        case 3: {
          const int32_t cached = manager->IsFileCached(path.c_str());
          ok = cached == 0 || cached == TPL_E_FAIL;
          break;
        }
        default:
          ok = manager->AddFileToCache(path.c_str()) == 0 && manager->IsFileCached(path.c_str()) == 0;
      }
      if (!ok) threads.Fail("operation " + std::to_string(operation) + ": " + path);
    }
    if (!manager) threads.Fail("no manager");
  });
  threads.CheckAllCached(library, files);
}

}  // namespace
}  // namespace quenloft_test
