// Writes a skin into the output folder, each file once. A file that is not
// patched is copied in the kernel. A patched file is read from the skin,
// patched through a patched-file object of the library and written; one
// without markers is copied in the kernel too, or written as read where
// the output lies on another file system. The host hears what the library's
// copy and update passes would tell it, in the same order: "copied" for
// every file, then the progress, messages and "patched" of each patched
// file, then the failed copies.
//
// Files whose patching cannot change what another file's patching sees
// (no "$$" assignment and no file function in their markers) go to workers with managers of
// their own; from the first file that may, the rest are patched here, in
// order, after the workers are done. Either way the output is what a
// sequential build writes.
#ifndef QUENLOFT_TOOL_SKIN_WRITER_H
#define QUENLOFT_TOOL_SKIN_WRITER_H

#include <string>
#include <vector>

#include "console_host.h"
#include "output_folder.h"
#include "patch_selection.h"
#include "patch_workers.h"
#include "sliced_patch.h"

namespace quenloft_tool {

struct SkinWriteSetup {
  ConsoleHost* host = nullptr;
  ITplManager* manager = nullptr;  // the build's own, used on this thread
  std::string skin;                // ends in "/"
  OutputFolder* output = nullptr;
  // Worker threads; 0 (or no opener) patches everything here.
  int workers = 0;
  SessionOpener open_worker;
  // Large files whose slices cannot see each other are patched in slices
  // (sliced_patch.h); not while a module's resolvers, which may read a
  // patched file's text, are loaded.
  bool slice_large_files = false;
  size_t slice_above = kSliceAbove;  // tests make both small
  size_t slice_size = kSliceSize;
};

struct SkinWriteCounts {
  int steps = 0;         // patch steps run (Ctrl-C stops between files)
  int failed_steps = 0;  // of them, files not written
};

SkinWriteCounts WriteSkin(const SkinWriteSetup& setup, const std::vector<std::string>& names,
              const PatchSelection& selection);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_WRITER_H
