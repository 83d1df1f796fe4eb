// The cache shared by threads: priming on threads of its own while managers
// on other threads add, copy and read the same files. Run under
// ThreadSanitizer too (label "concurrency").
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cache/cache_test_support.h"

namespace quenloft_test {
namespace {

struct TemplateFile {
  std::string path;
  std::string bytes;
};

// 30 files in each template folder, some nested, each with its own bytes.
std::vector<TemplateFile> MakeLayout(const LibraryCopy& library) {
  std::vector<TemplateFile> files;
  for (const char* folder : {"template_skin/", "template_stock/", "template_skinpreview/"}) {
    for (int i = 0; i < 30; ++i) {
      const std::string nested = i % 3 == 0 ? "n" + std::to_string(i % 5) + "/" : "";
      TemplateFile file{library.ExtensionFolder() + folder + nested + "f" + std::to_string(i),
                        std::string(folder) + std::string(i, 'x') + '\0'};  // zero bytes too
      if (!WriteFile(file.path, file.bytes)) return {};
      files.push_back(std::move(file));
    }
  }
  return files;
}

// Failures seen on worker threads, reported by the main thread.
class Failures {
 public:
  void Add(const std::string& what) {
    std::lock_guard<std::mutex> hold(lock_);
    if (seen_.size() < 20) seen_.push_back(what);
  }
  ~Failures() {
    for (const std::string& what : seen_) ADD_FAILURE() << what;
  }

 private:
  std::mutex lock_;
  std::vector<std::string> seen_;
};

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
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < files.size(); ++i) {
      const TemplateFile& file = files[i];
      const char* source = file.path.c_str();
      const std::string destination = library.OutsideFolder() + "w" + std::to_string(worker) +
                                      "/r" + std::to_string(round) + "/" + std::to_string(i);
      const size_t operation = (i + static_cast<size_t>(worker + round)) % 5;
      bool ok = true;
      if (operation == 0) {
        ok = manager->CopyThroughCache(source, destination.c_str(), 0) == 0 &&
             ReadFile(destination) == file.bytes;
      } else if (operation == 1) {  // inside the extension folder: cached by now, so deferred
        ok = manager->CopyThroughCache(source, destination.c_str(), 1) == 1 && !Exists(destination);
      } else if (operation == 2) {
        ok = ContentOf(*manager, file.path) == file.bytes;
      } else if (operation == 3) {
        const int32_t cached = manager->IsFileCached(source);
        ok = cached == 0 || cached == TPL_E_FAIL;
      } else {
        ok = manager->AddFileToCache(source) == 0 && manager->IsFileCached(source) == 0;
      }
      if (!ok) failures.Add("operation " + std::to_string(operation) + ": " + file.path);
    }
  }
}

TEST(TemplateFileCacheConcurrency, PrimingBesideWorkingManagers) {
  LibraryCopy library;
  ASSERT_TRUE(library.Loaded()) << library.Error();
  const std::vector<TemplateFile> files = MakeLayout(library);
  ASSERT_EQ(files.size(), 90u);
  Failures failures;
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    if (library.InitTemplateFilesToCache() != 1) failures.Add("priming result");
  });
  for (int worker = 0; worker < 3; ++worker) {
    threads.emplace_back([&, worker] { Work(library, files, worker, failures); });
  }
  for (std::thread& thread : threads) thread.join();
  CheckAllCached(library, files, failures);
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
}

}  // namespace
}  // namespace quenloft_test
