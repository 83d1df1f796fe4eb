// The cache shared by threads: priming on threads of its own while managers
// on other threads add, copy and read the same files. Run under
// ThreadSanitizer too (label "concurrency").
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cache/library_copy.h"

namespace quenloft_test {
namespace {

using quenloft::testing::ReadFile;

// Threads 0 and 1 prime, one call at a time: whichever returns, all three
// folders are in the cache by then. The others copy (now and deferred),
// read, ask and add meanwhile, each file in an order of their own.
TEST(TemplateFileCacheConcurrency, PrimingBesideWorkingManagers) {
  LibraryCopy library;
  ASSERT_TRUE(library.Loaded()) << library.Error();
  // Files with bytes of their own (zero bytes too), some nested, in each of
  // the three template folders.
  std::vector<std::pair<std::string, std::string>> files;
  for (const char* folder : {"template_skin/", "template_stock/", "template_skinpreview/"}) {
    for (int i = 0; i < 30; ++i) {
      const std::string nested = i % 3 == 0 ? "n" + std::to_string(i % 5) + "/" : "";
      files.emplace_back(library.ExtensionFolder() + folder + nested + "f" + std::to_string(i),
                         std::string(folder) + std::string(i, 'x') + '\0');
      ASSERT_TRUE(quenloft::testing::WriteFile(files.back().first, files.back().second));
    }
  }
  // What failed on the threads, reported from this one.
  std::mutex lock;
  std::vector<std::string> failures;
  const auto fail = [&](const std::string& what) {
    const std::lock_guard<std::mutex> hold(lock);
    if (failures.size() < 20) failures.push_back(what);
  };
  // Every file cached with its bytes, as a new manager sees it.
  const auto check_all_cached = [&] {
    const ManagerPtr manager = library.CreateManager();
    for (const auto& [path, bytes] : files) {
      if (!manager || manager->IsFileCached(path.c_str()) != 0 ||
          ContentOf(*manager, path) != bytes) {
        fail("not cached as written: " + path);
      }
    }
  };
  const auto work = [&](int worker) {
    if (worker < 2) {
      if (library.InitTemplateFilesToCache() != 1) fail("priming result");
      return check_all_cached();
    }
    const ManagerPtr manager = library.CreateManager();
    if (!manager) return fail("no manager");
    for (size_t i = 0; i < 2 * files.size(); ++i) {
      const auto& [path, bytes] = files[i % files.size()];
      const std::string destination =
          library.OutsideFolder() + "w" + std::to_string(worker) + "/" + std::to_string(i);
      const size_t operation = (i + static_cast<size_t>(worker)) % 5;
      const int32_t cached = operation == 3 ? manager->IsFileCached(path.c_str()) : 0;
      const bool ok =
          operation == 0   ? manager->CopyThroughCache(path.c_str(), destination.c_str(), 0) == 0 &&
                               ReadFile(destination) == bytes
          // Inside the extension folder: cached by now, so deferred.
          : operation == 1 ? manager->CopyThroughCache(path.c_str(), destination.c_str(), 1) == 1 &&
                               ReadFile(destination) == "<missing>"
          : operation == 2 ? ContentOf(*manager, path) == bytes
          : operation == 3 ? cached == 0 || cached == TPL_E_FAIL
                           : manager->AddFileToCache(path.c_str()) == 0 &&
                               manager->IsFileCached(path.c_str()) == 0;
      if (!ok) fail("operation " + std::to_string(operation) + ": " + path);
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < 5; ++i) threads.emplace_back(work, i);
  for (std::thread& thread : threads) thread.join();
  check_all_cached();
  for (const std::string& what : failures) ADD_FAILURE() << what;
}

}  // namespace
}  // namespace quenloft_test
