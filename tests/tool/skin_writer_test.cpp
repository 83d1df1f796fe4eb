#include "skin_writer.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "support/files.h"
#include "folder_source.h"
#include "session.h"
#include "sliced_patch.h"
#include "system_calls.h"

namespace quenloft_tool {
namespace {

constexpr size_t kSmallSliceAbove = 32 << 10;
constexpr size_t kSmallSliceSize = 4 << 10;

using quenloft::testing::ReadTree;
using quenloft::testing::ScratchFolder;
using quenloft::testing::Tree;
using quenloft::testing::WriteFile;

// Runs a build of `skin` into `out` with the given number of workers;
// returns what the host printed, with `out` spelled "@OUT@", and counts the
// worker sessions opened.
std::string Build(const std::string& skin, const std::string& out, int workers, int* opened,
                  bool slices = false, bool workers_open = true) {
  std::FILE* stream = std::tmpfile();
  HostOptions options;
  options.verbose = true;
  options.result_folder = out + "/";
  auto host = ConsoleHost::Make(options, stream);
  const auto open = [&](Session* session, ITplHostCallback* session_host) {
    std::string error;
    if (!session->Open(session_host, &error)) return false;
    session->SetSystemValue("System.Title", "T");
    return session->SetVariables({{"glob$$", "initial"}});
  };
  Session session;
  EXPECT_TRUE(open(&session, host.get()));
  OutputFolder output(out + "/", skin);
  SkinWriteSetup setup;
  setup.host = host.get();
  setup.manager = session.manager();
  setup.skin = skin + "/";
  setup.output = &output;
  setup.workers = workers;
  setup.slice_large_files = slices;
  // Slices of a few kilobytes: many of them, in files small enough for
  // the sanitizers.
  setup.slice_above = kSmallSliceAbove;
  setup.slice_size = kSmallSliceSize;
  setup.open_worker = [&](Session* worker, ITplHostCallback* worker_host) {
    ++*opened;
    return workers_open && open(worker, worker_host);
  };
  const SkinWriteCounts counts = WriteSkin(setup, ListSkinFiles(skin + "/").names, PatchSelection());
  session.Close();
  std::string printed = "steps " + std::to_string(counts.steps) + "\n";
  std::rewind(stream);
  for (int c; (c = std::fgetc(stream)) != EOF;) printed += static_cast<char>(c);
  std::fclose(stream);
  for (size_t at; (at = printed.find(out)) != std::string::npos;) {
    printed.replace(at, out.size(), "@OUT@");
  }
  return printed;
}

// A skin of many files, some reading a global variable; with `assign_at`,
// the file of that number sets it for the files after it.
void WriteSampleSkin(const std::string& skin, int assign_at) {
  for (int i = 0; i < 40; ++i) {
    const std::string n = std::to_string(i);
    const std::string sub = "f" + std::to_string(i % 4) + "/";
    std::string page = "<p>" + n + " <!--%Concat(System.Title, '" + n +
                       "')%--> <!--%t$ = glob$$; t$%--> <!--%x = 'a'; Concat(x, x)%-->\n";
    if (i % 7 == 3) page += "<!--%Nope(" + n + ")%-->\n";
    // Outside every marker: no reason to keep the files in order.
    if (i % 3 == 0) page += "<script>x.Transform(); glob$$ = 'x';</script>\n";
    if (i == assign_at) page += "<!--%glob$$ = 'set by " + n + "'%-->";
    WriteFile(skin + "/" + sub + "p" + n + ".htm", page);
    WriteFile(skin + "/" + sub + "s" + n + ".xml", i % 2 ? "<a w='100%;'/>" : "<!--%glob$$%-->");
    if (i % 5 == 0) WriteFile(skin + "/" + sub + "b" + n + ".png", std::string("\0%%%x%%%", 9));
  }
}

// Workers give the tree, the messages and the diagnostics of a build that
// patches every file on one manager in name order, whether the files share
// variables or not.
TEST(ToolSkinWriter, WorkersWriteWhatOneManagerWrites) {
  for (const int assign_at : {-1, 0, 25}) {
    ScratchFolder skin, alone, shared;
    WriteSampleSkin(skin.path(), assign_at);
    int opened_alone = 0, opened_shared = 0;
    const std::string said_alone = Build(skin.path(), alone.path(), 0, &opened_alone);
    const std::string said_shared = Build(skin.path(), shared.path(), 2, &opened_shared);
    EXPECT_EQ(said_shared, said_alone) << assign_at;
    const Tree tree = ReadTree(alone.path());
    EXPECT_EQ(ReadTree(shared.path()), tree) << assign_at;
    EXPECT_EQ(tree.size(), ReadTree(skin.path()).size()) << assign_at;
    // The first file that assigns keeps every later one on the build's own
    // manager; before it, the workers start.
    EXPECT_EQ(opened_shared, assign_at == 0 ? 0 : 2) << assign_at;
    EXPECT_EQ(opened_alone, 0);
    EXPECT_NE(said_alone.find("steps 80\n"), std::string::npos) << said_alone;
    EXPECT_NE(said_alone.find("copied f0/b0.png\n"), std::string::npos) << said_alone;
    // The library's diagnostic, in place of its message, from a worker too.
    EXPECT_NE(said_alone.find("f3/p3.htm:2:6: error: unknown name 'Nope'\n"), std::string::npos)
        << said_alone;
    EXPECT_EQ(tree.at("f0/b0.png"), std::string("\0%%%x%%%", 9));
    EXPECT_EQ(tree.at("f1/s1.xml"), "<a w='100%;'/>");
    // Name order: f1/p25.htm comes after f0/s24.xml and before f2/s26.xml.
    const std::string global = assign_at < 0 ? "initial" : "set by " + std::to_string(assign_at);
    EXPECT_EQ(tree.at("f3/p39.htm").substr(0, 13 + global.size()), "<p>39 T39 " + global + " aa");
    if (assign_at == 25) {
      EXPECT_EQ(tree.at("f0/s24.xml"), "initial");
      EXPECT_EQ(tree.at("f1/s29.xml"), "<a w='100%;'/>");
      EXPECT_EQ(tree.at("f2/s26.xml"), "set by 25");
    }
  }
}

// A page larger than the slicing threshold: globals, functions, messages
// with their lines; with `assign`, a marker in the middle that later
// markers read.
std::string LargePage(bool assign) {
  std::string page;
  while (page.size() < kSmallSliceAbove + kSmallSliceSize * 8) {
    const std::string n = std::to_string(page.size());
    page += "<p>" + n + " <!--%glob$$%--> <!--%Concat(System.Title, '" + n + "')%-->\n";
    if (page.size() % 97 == 0) page += "<!--%Nope(" + n + ")%--> <!--%title$%-->\n";
  }
  if (!assign) return page;
  const size_t middle = page.find('\n', page.size() / 2) + 1;
  return page.substr(0, middle) + "<!--%title$ = 'set'%-->" + page.substr(middle);
}

// Large files patched in slices, on the build's manager, on workers, and
// on both threads: the tree and the messages of whole files, also where a
// marker in the middle assigns what later markers read, and where a file
// patched before changes a global the slices read.
TEST(ToolSkinWriter, LargeFilesInSlicesWriteWhatWholeFilesWrite) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> files;
    int workers_opened;  // by a build with two workers
  };
  const std::vector<Case> cases = {
      // The large files go to workers, each patched there in slices.
      {{{"a/big.js", LargePage(false)},
        {"b/big.htm", LargePage(true)},
        {"c/small.htm", "<!--%glob$$%-->"}},
       2},
      // The only file: its slices on both workers, and here those that
      // reach past their markers.
      {{{"b/big.htm", LargePage(true)}}, 2},
      // The first file sets a global on the build's manager: the slices of
      // the next stay there.
      {{{"a/first.htm", "<!--%glob$$ = 'changed'%-->"}, {"b/big.htm", LargePage(false)}}, 0},
  };
  for (const Case& c : cases) {
    ScratchFolder skin, whole, sliced;
    for (const auto& [name, text] : c.files) WriteFile(skin.path() + "/" + name, text);
    for (const int workers : {0, 2}) {
      int opened = 0;
      const std::string said_whole = Build(skin.path(), whole.path(), workers, &opened);
      opened = 0;
      const std::string said_sliced = Build(skin.path(), sliced.path(), workers, &opened, true);
      EXPECT_EQ(opened, workers == 0 ? 0 : c.workers_opened) << c.files[0].first;
      EXPECT_TRUE(said_sliced == said_whole) << workers;  // megabytes: no dump
      EXPECT_NE(said_whole.find("error: unknown name 'Nope'"), std::string::npos);  // with its line
      const Tree tree = ReadTree(whole.path());
      EXPECT_TRUE(ReadTree(sliced.path()) == tree) << workers;
      const std::string& big = tree.at("b/big.htm");
      const char* first_line = c.workers_opened == 0 ? "<p>0 changed T0\n" : "<p>0 initial T0\n";
      EXPECT_EQ(big.substr(0, 16), first_line);
    }
  }
}



// Workers whose sessions do not open: the large file's slices are all
// patched here, as a build without workers patches them.
TEST(ToolSkinWriter, SlicesStayHereWhenNoWorkerOpens) {
  ScratchFolder skin, alone, refused;
  WriteFile(skin.path() + "/b/big.htm", LargePage(true));
  int opened = 0;
  const std::string said_alone = Build(skin.path(), alone.path(), 0, &opened, true);
  const std::string said_refused = Build(skin.path(), refused.path(), 2, &opened, true, false);
  EXPECT_EQ(opened, 1);  // the first refusal ends the opening
  EXPECT_TRUE(said_refused == said_alone);
  EXPECT_TRUE(ReadTree(refused.path()) == ReadTree(alone.path()));
}

// Read in chunks (the output on another file system), a large file with
// markers has the workers' sessions open while the rest of it is read; one
// without markers opens none. What the build writes and says is the same.
TEST(ToolSkinWriter, WorkersOpenWhileALargeFileIsRead) {
  ScratchFolder far("/dev/shm");
  ScratchFolder probe;
  if (far.path().empty() || system_calls::OnOneFileSystem(probe.path(), far.path())) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  struct Case {
    std::string text;
    bool workers_open;
    int opened;
  };
  const std::string page = LargePage(true);
  const std::vector<Case> cases = {
      {page, true, 2},
      {page, false, 1},  // the first refusal ends the opening
      {std::string(kSmallSliceAbove * 2, 'x'), true, 0},
  };
  for (const Case& c : cases) {
    ScratchFolder skin, near, out("/dev/shm");
    WriteFile(skin / "b/big.htm", c.text);
    int opened = 0;
    const std::string said_near = Build(skin.path(), near.path(), 0, &opened, true);
    const std::string said_far = Build(skin.path(), out.path(), 2, &opened, true, c.workers_open);
    EXPECT_EQ(opened, c.opened);
    EXPECT_TRUE(said_far == said_near);
    EXPECT_TRUE(ReadTree(out.path()) == ReadTree(near.path()));
  }
}

#ifndef _WIN32  // links need a privilege there
// Folders of the output that exist already are written into only when they
// lie inside it by their real path: a link among them that leads out gets
// nothing, however deep, and one that leads inside is followed.
TEST(ToolSkinWriter, LinksAmongOutputFoldersNeverLeadOut) {
  ScratchFolder skin, out, elsewhere;
  for (const char* name : {"away/a.htm", "away/deep/b.htm", "real/inner/c.htm", "real/d.htm",
                           "alias/e.htm", "n/m/k/f.htm"}) {
    WriteFile(skin / name, name);
  }
  std::filesystem::create_directories(out / "real");
  std::filesystem::create_directory_symlink(elsewhere.path(), out / "away");
  std::filesystem::create_directory_symlink(elsewhere.path(), out / "real/inner");
  std::filesystem::create_directory_symlink(out / "real", out / "alias");
  int opened = 0;
  Build(skin.path(), out.path(), 0, &opened);
  EXPECT_TRUE(ReadTree(elsewhere.path()).empty());
  EXPECT_EQ(ReadTree(out.path()),
            (Tree{{"real/d.htm", "real/d.htm"}, {"real/e.htm", "alias/e.htm"},
                  {"n/m/k/f.htm", "n/m/k/f.htm"}}));
}

// A file of `size` bytes that is all hole but its first and last byte.
void WriteSparseFile(const std::string& path, off_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << path;
  EXPECT_EQ(::pwrite(fd, "<", 1, 0), 1);
  EXPECT_EQ(::pwrite(fd, ">", 1, size - 1), 1);
  ::close(fd);
}

struct Written {
  unsigned mode = 0;
  off_t size = 0;
  blkcnt_t blocks = 0;
};

Written StatusOf(const std::string& path) {
  struct stat status = {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return {static_cast<unsigned>(status.st_mode & 07777), status.st_size, status.st_blocks};
}

// Files without markers are written from the bytes already read when the
// output lies on another file system than the skin, and copied by the
// kernel when on the same one: either way the same bytes and permissions,
// and a sparse file keeps its holes.
TEST(ToolSkinWriter, FilesWithoutMarkersLandAsTheKernelCopiesThem) {
  ScratchFolder skin, near;
  ScratchFolder far("/dev/shm");
  if (far.path().empty() || system_calls::OnOneFileSystem(skin.path(), far.path())) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  WriteFile(skin / "a/plain.htm", "<p>100% plain, no marker</p>\n");
  WriteFile(skin / "a/marked.htm", "<p><!--%glob$$%--></p>");
  WriteFile(skin / "a/locked.css", "p { width: 50%; }");
  std::filesystem::permissions(skin / "a/locked.css", std::filesystem::perms(0444));
  WriteFile(skin / "b/private.js", "var x = 1;");
  std::filesystem::permissions(skin / "b/private.js", std::filesystem::perms(0600));
  constexpr off_t kSparse = 8 << 20;
  const std::string filler(3 << 20, 'x');
  WriteSparseFile(skin / "b/sparse.htm", kSparse);
  WriteSparseFile(skin / "b/sparse.png", kSparse);  // not patched: the copy pass
  WriteFile(skin / "d/logo.png", std::string("\x89PNG\r\n\x1a\n%%%x%%%", 16) + filler);
  WriteFile(skin / "b/zeros.htm", std::string("<!--%glob$$%-->\0\0", 17));
  // Large texts, read in chunks of 128 KiB on the way: one without markers,
  // one whose only marker opens across the end of the first chunk, one
  // whose marker comes megabytes in.
  WriteFile(skin / "c/large.htm", filler);
  WriteFile(skin / "c/seam.htm",
            filler.substr(0, (128 << 10) - 2) + "<!--%glob$$%-->" + filler.substr(0, 2 << 20));
  WriteFile(skin / "c/late.css", filler + "/*%glob$$%*/");
  // An earlier output keeps its own permissions, made writable.
  for (const ScratchFolder* out : {&near, &far}) {
    WriteFile(*out / "b/private.js", "old");
    std::filesystem::permissions(*out / "b/private.js", std::filesystem::perms(0400));
  }
  int opened = 0;
  const std::string said_near = Build(skin.path(), near.path(), 0, &opened);
  const std::string said_far = Build(skin.path(), far.path(), 0, &opened);
  EXPECT_EQ(said_far, said_near);
  const Tree tree = ReadTree(near.path());
  EXPECT_EQ(ReadTree(far.path()), tree);
  EXPECT_EQ(tree.at("a/plain.htm"), "<p>100% plain, no marker</p>\n");
  EXPECT_EQ(tree.at("a/marked.htm"), "<p>initial</p>");
  EXPECT_EQ(tree.at("b/zeros.htm"), std::string("<!--%glob$$%-->\0\0", 17));
  EXPECT_TRUE(tree.at("c/large.htm") == filler);
  EXPECT_EQ(tree.at("d/logo.png").size(), filler.size() + 16);
  EXPECT_EQ(tree.at("c/seam.htm").substr((128 << 10) - 4, 11), "xxinitialxx");
  EXPECT_EQ(tree.at("c/late.css").substr(filler.size()), "initial");
  for (const ScratchFolder* out : {&near, &far}) {
    EXPECT_EQ(StatusOf(*out / "a/plain.htm").mode, StatusOf(skin / "a/plain.htm").mode);
    EXPECT_EQ(StatusOf(*out / "a/locked.css").mode, 0644u) << out->path();
    EXPECT_EQ(StatusOf(*out / "b/private.js").mode, 0600u) << out->path();
    for (const char* name : {"b/sparse.htm", "b/sparse.png"}) {
      const Written sparse = StatusOf(*out / name);
      EXPECT_EQ(sparse.size, kSparse) << name;
      EXPECT_LT(sparse.blocks * 512, kSparse / 2) << out->path() << " " << name;
    }
  }
}
#endif

}  // namespace
}  // namespace quenloft_tool
