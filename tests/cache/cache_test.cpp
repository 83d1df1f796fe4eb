// The template file cache as a host meets it: the manager's cache
// operations and the export InitTemplateFilesToCache, on a library copy
// with an extension folder of the test's own; also shared by threads (run
// under ThreadSanitizer too, label "concurrency").
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cache/library_copy.h"
#include "support/texts.h"

namespace quenloft_test {
namespace {

using quenloft::testing::ReadFile;
using quenloft::testing::Codes;

const std::string kZeroBytes("GIF89a\0\0\x01\xff", 10);

class TemplateFileCacheTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_.Loaded() && manager_) << library_.Error(); }

  std::string Inside(const std::string& path) const { return library_.ExtensionFolder() + path; }
  std::string Outside(const std::string& path) const { return library_.OutsideFolder() + path; }
  static std::string MakeFile(const std::string& path, const std::string& bytes) {
    EXPECT_TRUE(quenloft::testing::WriteFile(path, bytes)) << path;
    return path;
  }
  int32_t Add(const std::string& path) { return manager_->AddFileToCache(path.c_str()); }
  int32_t IsCached(const std::string& path) { return manager_->IsFileCached(path.c_str()); }
  int32_t Copy(const std::string& source, const std::string& destination, int32_t defer) {
    return manager_->CopyThroughCache(source.c_str(), destination.c_str(), defer);
  }
  std::string Content(const std::string& path) { return ContentOf(*manager_, path); }

  LibraryCopy library_;
  ManagerPtr manager_ = library_.CreateManager();
};

TEST_F(TemplateFileCacheTest, AddFileResults) {
  const std::string skin = MakeFile(Inside("template_skin/a.htm"), "<p>a</p>");
  const struct { std::string path; int32_t added, cached; } kCases[] = {
      {skin, 0, 0},
      {skin, 0, 0},  // again: still 0
      {MakeFile(Outside("a.htm"), "outside"), 1, TPL_E_FAIL},
      // Begins like the extension folder's name but is another folder.
      {MakeFile(library_.Folder() + "/Pelion5Ext2/a.htm", "sibling"), 1, TPL_E_FAIL},
      {Inside("template_skin/none.htm"), 0, TPL_E_FAIL},
      {Inside(""), 0, TPL_E_FAIL},  // the folder itself is no file
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Codes({Add(c.path), IsCached(c.path)}), Codes({c.added, c.cached})) << c.path;
  }
  EXPECT_EQ(Codes({manager_->AddFileToCache(nullptr), manager_->IsFileCached(nullptr)}),
            Codes({1, TPL_E_FAIL}));
}

// Letter case and separator direction do not tell two paths apart. The
// file system itself is case-sensitive: a spelling in another case names
// no file, so adding by it caches nothing.
TEST_F(TemplateFileCacheTest, OneFileUnderEverySpelling) {
  using quenloft::testing::UpperCase, quenloft::testing::WithBackslashes;
  const struct Spelling { std::string (*spell)(std::string); bool names_the_file; } kSpellings[] = {
      {[](std::string p) { return p; }, true},
      {WithBackslashes, true},
      {UpperCase, false},
      {[](std::string p) { return UpperCase(WithBackslashes(p)); }, false},
  };
  for (const Spelling& added : kSpellings) {
    LibraryCopy fresh;
    const ManagerPtr manager = fresh.CreateManager();
    ASSERT_TRUE(manager) << fresh.Error();
    const std::string path = MakeFile(fresh.ExtensionFolder() + "template_stock/Style.css", "x");
    EXPECT_EQ(manager->AddFileToCache(added.spell(path).c_str()), 0);
    for (const Spelling& asked : kSpellings) {
      const std::string spelled = asked.spell(path);
      EXPECT_EQ(Codes({manager->IsFileCached(spelled.c_str())}),
                Codes({added.names_the_file ? TPL_S_OK : TPL_E_FAIL}))
          << spelled;
      if (added.names_the_file) {
        EXPECT_EQ(ContentOf(*manager, spelled), "x") << spelled;
      }
    }
  }
}

// A file inside the extension folder is cached by its first copy, cached
// already or not; a deferred copy writes nothing now. Files outside are
// copied on disk, never deferred nor cached, with their attributes
// cleared. A copy that cannot be made never claims it was.
TEST_F(TemplateFileCacheTest, CopyThroughCache) {
  const std::string added = MakeFile(Inside("template_skin/added.gif"), kZeroBytes);
  ASSERT_EQ(Add(added), 0);
  const std::string read_only = MakeFile(Outside("read-only.gif"), kZeroBytes);
  ASSERT_EQ(chmod(read_only.c_str(), 0444), 0);
  MakeFile(Outside("a-file"), "x");
  // The destination lies below the outside folder.
  const struct { std::string source, destination; int32_t defer, result, cached; } kCases[] = {
      {added, "r/1", 0, 0, 0},
      {added, "r/2", 1, 1, 0},
      {MakeFile(Inside("template_skin/a.gif"), kZeroBytes), "r/3", 0, 0, 0},
      {MakeFile(Inside("template_skin/b.gif"), kZeroBytes), "r/4", 1, 1, 0},
      {read_only, "r/5", 0, 0, TPL_E_FAIL},
      {read_only, "r/6", 1, 0, TPL_E_FAIL},
      {Inside("template_skin/none.htm"), "r/7", 0, 1, TPL_E_FAIL},
      {Inside("template_skin/none.htm"), "r/8", 1, 1, TPL_E_FAIL},
      {Outside("none.htm"), "r/9", 0, 1, TPL_E_FAIL},
      {Outside("none.htm"), "r/10", 1, 1, TPL_E_FAIL},
      {added, "a-file/sub", 0, 1, 0},
      {added, "a-file/sub", 1, 1, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.source + " -> " + c.destination + (c.defer != 0 ? ", deferred" : ""));
    const std::string destination = Outside(c.destination);
    EXPECT_EQ(Codes({Copy(c.source, destination, c.defer), IsCached(c.source)}),
              Codes({c.result, c.cached}));
    EXPECT_EQ(ReadFile(destination), c.result == 0 ? kZeroBytes : "<missing>");
    struct stat info {};
    EXPECT_TRUE(c.result != 0 || (stat(destination.c_str(), &info) == 0 && info.st_mode & S_IWUSR));
  }
  EXPECT_EQ(Codes({manager_->CopyThroughCache(nullptr, Outside("x").c_str(), 0),
                   manager_->CopyThroughCache(added.c_str(), nullptr, 0)}),
            "1,1");
}

// The entry made first keeps answering: neither a change on disk nor a
// second priming replaces it; the second priming adds only new files.
// Files not cached are read from disk and stay uncached; a file that cannot
// be read is reported, not handed out as empty.
TEST_F(TemplateFileCacheTest, CachedBytesOutliveChangesOnDisk) {
  const std::string first = MakeFile(Inside("template_stock/first.htm"), "first");
  ASSERT_EQ(library_.InitTemplateFilesToCache(), 1);
  MakeFile(first, "changed");
  const std::string second = MakeFile(Inside("template_stock/second.htm"), "second");
  const std::string uncached = MakeFile(Inside("template_skin/page.htm"), kZeroBytes);
  const std::string outside = MakeFile(Outside("page.htm"), "outside");
  const std::vector<std::string> before = {Content(first), Content(uncached), Content(outside)};
  EXPECT_EQ(Codes({IsCached(uncached), IsCached(outside)}), Codes({TPL_E_FAIL, TPL_E_FAIL}));
  EXPECT_EQ(library_.InitTemplateFilesToCache(), 1);
  EXPECT_EQ(Copy(first, Outside("result/first.htm"), 0), 0);
  EXPECT_EQ(IsCached(second), 0);
  EXPECT_EQ(before, (std::vector<std::string>{"first", kZeroBytes, "outside"}));
  EXPECT_EQ((std::vector<std::string>{Content(first), ReadFile(Outside("result/first.htm")),
                                      Content(second)}),
            (std::vector<std::string>{"first", "first", "second"}));
  CByteString kept("kept", 4);
  EXPECT_EQ(Codes({manager_->GetFileContent(Outside("none.htm").c_str(), &kept),
                   manager_->GetFileContent(nullptr, &kept),
                   manager_->GetFileContent(first.c_str(), nullptr)}),
            "1,1,1");
  EXPECT_EQ(std::string(kept.GetContent(), kept.GetLength()), "kept");
}

// Each template folder missing in turn, then all three, then none: the
// others are cached to any depth, and nothing beside them.
TEST(TemplateFileCachePriming, CachesTheThreeTemplateFoldersToAnyDepth) {
  const char* const kFolders[] = {"template_skin/", "template_stock/", "template_skinpreview/"};
  for (size_t missing = 0; missing <= 4; ++missing) {
    SCOPED_TRACE(missing);
    LibraryCopy library;
    const ManagerPtr manager = library.CreateManager();
    ASSERT_TRUE(manager) << library.Error();
    const std::string root = library.ExtensionFolder();
    std::vector<std::pair<std::string, bool>> files;  // path, cached
    const auto place = [&](const std::string& path, bool written, bool cached) {
      EXPECT_TRUE(!written || quenloft::testing::WriteFile(path, path + kZeroBytes)) << path;
      files.emplace_back(path, cached);
    };
    for (const char* beside : {"beside.htm", "template_other/other.htm", "../outside.htm"})
      place(root + beside, true, false);
    for (size_t i = 0; i < 3; ++i) {
      const bool present = i != missing && missing != 3;
      place(root + kFolders[i] + "index.htm", present, present);
      place(root + kFolders[i] + "a/b/c/only.gif", present, present);
    }
    EXPECT_EQ(library.InitTemplateFilesToCache(), 1);
    for (const auto& [path, cached] : files) {
      EXPECT_EQ(Codes({manager->IsFileCached(path.c_str())}), Codes({cached ? 0 : TPL_E_FAIL}))
          << path;
      if (cached) {
        EXPECT_EQ(ContentOf(*manager, path), path + kZeroBytes);
      }
    }
  }
}

// Links to folders are not followed (a cycle would never end); links to
// files are cached like files.
TEST_F(TemplateFileCacheTest, PrimingDoesNotFollowLinksToFolders) {
  const std::string real = MakeFile(Inside("template_skin/sub/real.htm"), "real");
  const std::string target = MakeFile(Outside("target.htm"), "target");
  const std::string plain = MakeFile(Inside("template_stock/plain.htm"), "plain");
  const std::string link = Inside("template_stock/link.htm");
  ASSERT_EQ(symlink("..", Inside("template_skin/sub/up").c_str()), 0);
  ASSERT_EQ(symlink(".", Inside("template_skin/sub/self").c_str()), 0);
  ASSERT_EQ(symlink(library_.Folder().c_str(), Inside("template_stock/root").c_str()), 0);
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

  EXPECT_EQ(library_.InitTemplateFilesToCache(), 1);
  EXPECT_EQ(Codes({IsCached(real), IsCached(plain), IsCached(link)}), "0,0,0");
  EXPECT_EQ(Content(link), "target");
  for (const char* looped : {"template_skin/sub/up/sub/real.htm", "template_skin/sub/self/real.htm",
                             "template_stock/root/Pelion5Ext/template_skin/sub/real.htm"}) {
    EXPECT_EQ(IsCached(Inside(looped)), TPL_E_FAIL) << looped;
  }
}

// The cache shared by threads. Threads 0 and 1 prime, one call at a time: whichever returns, all three
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
