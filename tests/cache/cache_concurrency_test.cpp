// The cache shared by threads: priming on threads of its own while managers
// on other threads add, copy and read the same files. Run under
// ThreadSanitizer too (label "concurrency").
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "cache/cache_test_support.h"

namespace quenloft_test {
namespace {

constexpr int kFilesPerFolder = 30;
constexpr int kWorkers = 3;
constexpr int kRounds = 2;

struct TemplateFile {
  std::string path;
  std::string bytes;
};

// Files in the three template folders, some nested, each with its own bytes.
std::vector<TemplateFile> MakeLayout(const LibraryCopy& library) {
  std::vector<TemplateFile> files;
  for (const char* folder : {"template_skin/", "template_stock/", "template_skinpreview/"}) {
    for (int i = 0; i < kFilesPerFolder; ++i) {
      const std::string nested = i % 3 == 0 ? "n" + std::to_string(i % 5) + "/" : "";
      TemplateFile file{library.ExtensionFolder() + folder + nested + "f" + std::to_string(i),
                        std::string(folder) + std::to_string(i) + std::string(i, 'x')};
      file.bytes.push_back('\0');  // zero bytes travel too
      if (!WriteFile(file.path, file.bytes)) return {};
      files.push_back(std::move(file));
    }
  }
  return files;
}

// Collects failures seen on worker threads for the main thread to report.
class Failures {
 public:
  void Add(std::string what) {
    std::lock_guard<std::mutex> hold(lock_);
    if (seen_.size() < 20) seen_.push_back(std::move(what));
    ++count_;
  }
  void Report() const {
    for (const std::string& what : seen_) ADD_FAILURE() << what;
    EXPECT_EQ(count_, 0);
  }

 private:
  std::mutex lock_;
  std::vector<std::string> seen_;
  int count_ = 0;
};

// Every file is cached and served with its own bytes.
void CheckAllCached(const LibraryCopy& library, const std::vector<TemplateFile>& files,
                    Failures& failures) {
  ManagerPtr manager = MakeManager(library);
  if (!manager) return failures.Add("no manager");
  for (const TemplateFile& file : files) {
    if (manager->IsFileCached(file.path.c_str()) != 0) failures.Add("not cached: " + file.path);
    if (ContentOf(*manager, file.path) != file.bytes) failures.Add("wrong bytes: " + file.path);
  }
}

void Work(const LibraryCopy& library, const std::vector<TemplateFile>& files, int worker,
          Failures& failures) {
  ManagerPtr manager = MakeManager(library);
  if (!manager) return failures.Add("no manager");
  for (int round = 0; round < kRounds; ++round) {
    for (size_t i = 0; i < files.size(); ++i) {
      const TemplateFile& file = files[i];
      const char* source = file.path.c_str();
      const std::string destination = library.OutsideFolder() + "w" + std::to_string(worker) +
                                      "/r" + std::to_string(round) + "/" + std::to_string(i);
      switch ((i + static_cast<size_t>(worker + round)) % 5) {
        case 0:
          if (manager->CopyThroughCache(source, destination.c_str(), 0) != 0 ||
              ReadFile(destination) != file.bytes) {
            failures.Add("copy now: " + file.path);
          }
          break;
        case 1:
          // A file inside the extension folder ends up cached, so it is
          // always deferred.
          if (manager->CopyThroughCache(source, destination.c_str(), 1) != 1 ||
              Exists(destination)) {
            failures.Add("copy deferred: " + file.path);
          }
          break;
        case 2:
          if (ContentOf(*manager, file.path) != file.bytes) failures.Add("content: " + file.path);
          break;
        case 3: {
          const int32_t cached = manager->IsFileCached(source);
          if (cached != 0 && cached != TPL_E_FAIL) failures.Add("is cached: " + file.path);
          break;
        }
        default:
          if (manager->AddFileToCache(source) != 0 || manager->IsFileCached(source) != 0) {
            failures.Add("add: " + file.path);
          }
          break;
      }
    }
  }
}

TEST(TemplateFileCacheConcurrency, PrimingBesideWorkingManagers) {
  LibraryCopy library;
  ASSERT_TRUE(library.Loaded()) << library.Error();
  const std::vector<TemplateFile> files = MakeLayout(library);
  ASSERT_EQ(files.size(), 3u * kFilesPerFolder);

  Failures failures;
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    if (library.InitTemplateFilesToCache() != 1) failures.Add("priming result");
  });
  for (int worker = 0; worker < kWorkers; ++worker) {
    threads.emplace_back([&, worker] { Work(library, files, worker, failures); });
  }
  for (std::thread& thread : threads) thread.join();
  CheckAllCached(library, files, failures);
  failures.Report();
}

// Priming runs one call at a time: whichever call returns, all three folders
// are in the cache by then.
TEST(TemplateFileCacheConcurrency, TwoThreadsPrimingAtOnce) {
  LibraryCopy library;
  ASSERT_TRUE(library.Loaded()) << library.Error();
  const std::vector<TemplateFile> files = MakeLayout(library);
  ASSERT_FALSE(files.empty());

  Failures failures;
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i) {
    threads.emplace_back([&] {
      if (library.InitTemplateFilesToCache() != 1) failures.Add("priming result");
      CheckAllCached(library, files, failures);
    });
  }
  for (std::thread& thread : threads) thread.join();
  failures.Report();
}

}  // namespace
}  // namespace quenloft_test
