// The template file cache as a host meets it: the manager's cache
// operations and the export InitTemplateFilesToCache, on a library copy
// with an extension folder of the test's own.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cache/cache_test_support.h"

namespace quenloft_test {
namespace {

const std::string kZeroBytes("GIF89a\0\0\x01\xff", 10);
const char* const kTemplateFolders[] = {"template_skin/", "template_stock/",
                                        "template_skinpreview/"};

struct FreshCache {  // for rows that need a cache of their own
  LibraryCopy library;
  ManagerPtr manager = MakeManager(library);
  std::string Path(const std::string& relative) const { return library.ExtensionFolder() + relative; }
};

class TemplateFileCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Loaded()) << library_.Error();
    manager_ = MakeManager(library_);
    ASSERT_NE(manager_, nullptr);
  }

  std::string Inside(const std::string& relative) const {
    return library_.ExtensionFolder() + relative;
  }
  std::string Outside(const std::string& relative) const {
    return library_.OutsideFolder() + relative;
  }
  std::string MakeFile(const std::string& path, const std::string& bytes) {
    EXPECT_TRUE(WriteFile(path, bytes)) << path;
    return path;
  }
  int32_t Add(const std::string& path) { return manager_->AddFileToCache(path.c_str()); }
  int32_t IsCached(const std::string& path) { return manager_->IsFileCached(path.c_str()); }
  int32_t Copy(const std::string& source, const std::string& destination, int32_t defer) {
    return manager_->CopyThroughCache(source.c_str(), destination.c_str(), defer);
  }
  std::string Content(const std::string& path) { return ContentOf(*manager_, path); }

  LibraryCopy library_;
  ManagerPtr manager_;
};

TEST_F(TemplateFileCacheTest, AddFileResults) {
  const std::string skin = MakeFile(Inside("template_skin/a.htm"), "<p>a</p>");
  // Begins like the extension folder's name but is another folder.
  const std::string sibling = MakeFile(library_.Folder() + "/Pelion5Ext2/a.htm", "sibling");
  const struct {
    std::string path;
    int32_t added;
    int32_t cached;
  } kCases[] = {
      {skin, 0, 0},
      {skin, 0, 0},  // again: still 0
      {MakeFile(Outside("a.htm"), "outside"), 1, TPL_E_FAIL},
      {sibling, 1, TPL_E_FAIL},
      {Inside("template_skin/none.htm"), 0, TPL_E_FAIL},
      {Inside(""), 0, TPL_E_FAIL},  // the folder itself is no file
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Add(c.path), c.added);
    EXPECT_EQ(IsCached(c.path), c.cached);
  }
  EXPECT_EQ(manager_->AddFileToCache(nullptr), 1);
  EXPECT_EQ(manager_->IsFileCached(nullptr), TPL_E_FAIL);
}

// Letter case and separator direction do not tell two paths apart. The
// file system itself is case-sensitive: a spelling in another case names
// no file, so adding by it caches nothing.
TEST_F(TemplateFileCacheTest, OneFileUnderEverySpelling) {
  const struct Spelling {
    std::string (*spell)(std::string);
    bool names_the_file;
  } kSpellings[] = {
      {[](std::string p) { return p; }, true},
      {WithBackslashes, true},
      {UpperCase, false},
      {[](std::string p) { return UpperCase(WithBackslashes(p)); }, false},
  };
  for (size_t added = 0; added < 4; ++added) {
    FreshCache fresh;
    ASSERT_NE(fresh.manager, nullptr) << fresh.library.Error();
    ITplManager* manager = fresh.manager.get();
    const std::string path = MakeFile(fresh.Path("template_stock/Style.css"), "body{}");
    EXPECT_EQ(manager->AddFileToCache(kSpellings[added].spell(path).c_str()), 0);
    for (size_t asked = 0; asked < 4; ++asked) {
      SCOPED_TRACE(::testing::Message() << "added as " << added << ", asked as " << asked);
      const std::string spelled = kSpellings[asked].spell(path);
      const bool found = kSpellings[added].names_the_file;
      EXPECT_EQ(manager->IsFileCached(spelled.c_str()), found ? TPL_S_OK : TPL_E_FAIL);
      if (found) {
        EXPECT_EQ(ContentOf(*manager, spelled), "body{}");
      }
    }
  }
}

// A file inside the extension folder is cached by its first copy, cached
// already or not; a deferred copy writes nothing now.
TEST_F(TemplateFileCacheTest, CopyFromInsideCachesAndMayDefer) {
  for (const bool cached_first : {true, false}) {
    for (const int32_t defer : {0, 1}) {
      const std::string name = std::to_string(cached_first) + std::to_string(defer) + ".gif";
      SCOPED_TRACE(name);
      const std::string source = MakeFile(Inside("template_skin/" + name), kZeroBytes);
      const std::string destination = Outside("result/" + name);
      if (cached_first) {
        ASSERT_EQ(Add(source), 0);
      } else {
        ASSERT_EQ(IsCached(source), TPL_E_FAIL);
      }
      EXPECT_EQ(Copy(source, destination, defer), defer);
      EXPECT_EQ(IsCached(source), 0);
      EXPECT_EQ(ReadFile(destination), defer != 0 ? "<missing>" : kZeroBytes);
    }
  }
}

TEST_F(TemplateFileCacheTest, CopyOfUncachedFileOutsideGoesToDisk) {
  const std::string source = MakeFile(Outside("files/read-only.txt"), kZeroBytes);
  ASSERT_EQ(chmod(source.c_str(), 0444), 0);
  // Files outside the extension folder are never deferred.
  for (int32_t defer : {0, 1}) {
    SCOPED_TRACE(defer);
    const std::string destination = Outside("result/copy" + std::to_string(defer) + ".txt");
    EXPECT_EQ(Copy(source, destination, defer), 0);
    EXPECT_EQ(ReadFile(destination), kZeroBytes);
    struct stat info {};
    ASSERT_EQ(stat(destination.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IWUSR, 0u) << "attributes not cleared";
    EXPECT_EQ(IsCached(source), TPL_E_FAIL);
  }
}

// Nothing can be written for a source that names no file: the result must
// not claim the destination was written.
TEST_F(TemplateFileCacheTest, CopyFailures) {
  MakeFile(Outside("a-file"), "x");
  const struct {
    const char* why;
    std::string source;
    std::string destination;
  } kCases[] = {
      {"missing source inside", Inside("template_skin/none.htm"), Outside("result/none.htm")},
      {"missing source outside", Outside("none.htm"), Outside("result/none2.htm")},
      {"destination below a file", MakeFile(Inside("template_skin/a.htm"), "a"),
       Outside("a-file/sub/a.htm")},
  };
  for (const auto& c : kCases) {
    for (int32_t defer : {0, 1}) {
      SCOPED_TRACE(std::string(c.why) + (defer != 0 ? ", deferred" : ""));
      EXPECT_EQ(Copy(c.source, c.destination, defer), 1);
      EXPECT_FALSE(Exists(c.destination));
    }
  }
  EXPECT_EQ(manager_->CopyThroughCache(nullptr, Outside("x").c_str(), 0), 1);
  EXPECT_EQ(manager_->CopyThroughCache(Outside("a-file").c_str(), nullptr, 0), 1);
}

// The entry made first keeps answering: neither a change on disk nor a
// second priming replaces it; the second priming adds only new files.
TEST_F(TemplateFileCacheTest, CachedBytesOutliveChangesOnDisk) {
  const std::string first = MakeFile(Inside("template_stock/first.htm"), "first");
  ASSERT_EQ(library_.InitTemplateFilesToCache(), 1);
  MakeFile(first, "changed");
  const std::string second = MakeFile(Inside("template_stock/second.htm"), "second");
  const std::string before = Content(first);
  EXPECT_EQ(library_.InitTemplateFilesToCache(), 1);
  EXPECT_EQ(Copy(first, Outside("result/first.htm"), 0), 0);
  EXPECT_EQ(IsCached(second), 0);
  EXPECT_EQ((std::vector<std::string>{before, Content(first), ReadFile(Outside("result/first.htm")),
                                      Content(second)}),
            (std::vector<std::string>{"first", "first", "first", "second"}));
}

TEST_F(TemplateFileCacheTest, ContentOfUncachedFilesComesFromDisk) {
  const std::string inside = MakeFile(Inside("template_skin/page.htm"), kZeroBytes);
  const std::string outside = MakeFile(Outside("page.htm"), "outside");
  for (const std::string& path : {inside, outside}) {
    EXPECT_EQ(Content(path), ReadFile(path));
    EXPECT_EQ(IsCached(path), TPL_E_FAIL);
  }
  // A file that cannot be read is reported, not handed out as empty.
  CByteString kept("kept", 4);
  EXPECT_EQ(manager_->GetFileContent(Outside("none.htm").c_str(), &kept), 1);
  EXPECT_EQ(std::string(kept.GetContent(), kept.GetLength()), "kept");
  EXPECT_EQ(manager_->GetFileContent(nullptr, &kept), 1);
  EXPECT_EQ(manager_->GetFileContent(inside.c_str(), nullptr), 1);
}

TEST_F(TemplateFileCacheTest, PrimingCachesTheThreeFoldersToAnyDepth) {
  const std::vector<std::string> cached = {
      MakeFile(Inside("template_skin/index.htm"), "index"),
      MakeFile(Inside("template_skin/a/b/c/d/deep.css"), "deep"),
      MakeFile(Inside("template_stock/only/one.js"), "one"),  // a folder's only entry
      MakeFile(Inside("template_skinpreview/preview.gif"), kZeroBytes),
  };
  const std::vector<std::string> not_cached = {
      MakeFile(Inside("beside.htm"), "no template folder"),
      MakeFile(Inside("template_other/other.htm"), "not a template folder"),
      MakeFile(Outside("outside.htm"), "outside"),
  };
  EXPECT_EQ(library_.InitTemplateFilesToCache(), 1);
  for (const std::string& path : cached) {
    SCOPED_TRACE(path);
    EXPECT_EQ(IsCached(path), 0);
    EXPECT_EQ(Content(path), ReadFile(path));
  }
  for (const std::string& path : not_cached) EXPECT_EQ(IsCached(path), TPL_E_FAIL) << path;
}

// Each template folder missing in turn, then the extension folder itself.
TEST_F(TemplateFileCacheTest, PrimingWithAMissingTemplateFolder) {
  for (size_t missing = 0; missing <= 3; ++missing) {
    SCOPED_TRACE(missing);
    FreshCache fresh;
    ASSERT_NE(fresh.manager, nullptr) << fresh.library.Error();
    for (size_t i = 0; i < 3 && missing < 3; ++i) {
      if (i != missing) MakeFile(fresh.Path(kTemplateFolders[i] + std::string("f")), "f");
    }
    EXPECT_EQ(fresh.library.InitTemplateFilesToCache(), 1);
    for (size_t i = 0; i < 3; ++i) {
      const std::string path = fresh.Path(kTemplateFolders[i] + std::string("f"));
      const bool present = i != missing && missing < 3;
      EXPECT_EQ(fresh.manager->IsFileCached(path.c_str()), present ? 0 : TPL_E_FAIL) << path;
    }
  }
}

// Links to folders are not followed (a cycle would never end); links to
// files are cached like files.
TEST_F(TemplateFileCacheTest, PrimingDoesNotFollowLinksToFolders) {
  const std::string real = MakeFile(Inside("template_skin/sub/real.htm"), "real");
  const std::string target = MakeFile(Outside("target.htm"), "target");
  const std::string plain = MakeFile(Inside("template_stock/plain.htm"), "plain");
  ASSERT_EQ(symlink("..", Inside("template_skin/sub/up").c_str()), 0);
  ASSERT_EQ(symlink(".", Inside("template_skin/sub/self").c_str()), 0);
  ASSERT_EQ(symlink(library_.Folder().c_str(), Inside("template_stock/root").c_str()), 0);
  ASSERT_EQ(symlink(target.c_str(), Inside("template_stock/link.htm").c_str()), 0);

  EXPECT_EQ(library_.InitTemplateFilesToCache(), 1);
  const std::string link = Inside("template_stock/link.htm");
  EXPECT_EQ((std::vector<int32_t>{IsCached(real), IsCached(plain), IsCached(link)}),
            (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(Content(link), "target");
  for (const char* looped : {"template_skin/sub/up/sub/real.htm", "template_skin/sub/self/real.htm",
                             "template_stock/root/Pelion5Ext/template_skin/sub/real.htm"}) {
    EXPECT_EQ(IsCached(Inside(looped)), TPL_E_FAIL) << looped;
  }
}

}  // namespace
}  // namespace quenloft_test
