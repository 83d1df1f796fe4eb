// quenloft build --watch: a build, then a rebuild of what changes in the
// skin, until Ctrl-C. A rebuild takes the changed files alone, in a build
// of their own, when they cannot change what another file's patching sees;
// otherwise, and when the skin's settings or the prelude change, it takes
// the whole skin.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "folders.h"
#include "interrupt.h"
#include "messages.h"
#include "options.h"
#include "skin_config.h"
#include "skin_folder.h"
#include "skin_text.h"
#include "skin_watcher.h"

namespace quenloft_tool {
namespace {

// A file that sets or reads "$$" globals, or reaches other files, may
// change what other files give: it is rebuilt with the whole skin.
bool RebuildsEverything(const std::string& text) {
  return text.find("$$") != std::string::npos || MayAffectOtherFiles(text);
}

// The skin files to rebuild for a burst of changes: nullopt for none, an
// empty list for all of them.
std::optional<std::vector<std::string>> FilesToRebuild(const std::string& skin,
                                                       const SkinChanges& changes,
                                                       const SkinFilter& filter,
                                                       const std::string& prelude) {
  if (changes.everything) return std::vector<std::string>();
  std::vector<std::string> files;
  for (const std::string& name : changes.names) {
    if (name == kSkinConfigName || name == prelude) return std::vector<std::string>();
    if (filter.IsHidden(name) && filter.Skips(name)) continue;
    const std::string path = skin + name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) continue;  // removed: the output keeps it
    // An excluded file may be a partial that the prelude or a page loads.
    if (filter.IsExcluded(name) || RebuildsEverything(ReadSkinFile(path))) {
      return std::vector<std::string>();
    }
    files.push_back(name);
  }
  if (files.empty()) return std::nullopt;
  return files;
}

}  // namespace

int RunWatch(const BuildOptions& options) {
  std::string error;
  const std::string skin = ResolveSkinFolder(options.skin, &error);
  if (skin.empty()) return Fail(kExitUsage, error);
  const std::string prelude = options.files.prelude.empty()
                                  ? std::string()
                                  : std::filesystem::absolute(options.files.prelude).string();
  // Watching before the first build: a change made while it runs is seen.
  const std::unique_ptr<SkinWatcher> watcher = SkinWatcher::Make(
      skin, prelude.empty() ? std::vector<std::string>() : std::vector<std::string>{prelude},
      options.files.hidden, &error);
  if (!watcher) return Fail(kExitUsage, error);
  BuildOptions build = options;
  build.watch = false;
  int code = RunBuild(build);
  if (code == kExitUsage) return code;
  for (;;) {
    if (!options.common.quiet) {
      std::fprintf(stderr, "quenloft: watching %s for changes (Ctrl-C ends)\n", skin.c_str());
    }
    std::optional<std::vector<std::string>> files;
    while (!files && !Interrupted()) {
      const SkinChanges changes = watcher->Next(Interrupted);
      // The settings may have changed what is excluded.
      SkinConfig config;
      ReadSkinConfig(skin, &config, &error);
      config.exclude_globs.insert(config.exclude_globs.end(), options.files.exclude_globs.begin(),
                                  options.files.exclude_globs.end());
      files = FilesToRebuild(skin, changes,
                             SkinFilter(config.exclude_globs, options.files.hidden), prelude);
    }
    // Ctrl-C while waiting ends the watch with the last build's code.
    if (Interrupted()) return code;
    build.only = std::move(*files);
    code = RunBuild(build);
    if (Interrupted()) return kInterruptedExitCode;
  }
}

}  // namespace quenloft_tool
