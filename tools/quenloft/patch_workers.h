// Threads that patch files with template managers of their own, for files
// whose patching cannot change what another file's patching sees. What the
// library tells a worker's host is kept with the file, for the build to
// pass on in name order.
#ifndef QUENLOFT_TOOL_PATCH_WORKERS_H
#define QUENLOFT_TOOL_PATCH_WORKERS_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "output_folder.h"
#include "quenloft/quenloft.h"

namespace quenloft_tool {

class Session;

// Patches the text of `source` as the file `relative` of the output folder
// and writes it there; false when it could not. A file patched whole gives
// its text back as soon as the library holds its own; with `may_slice`, a
// large file whose slices cannot see each other is patched in slices
// (sliced_patch.h). Any thread, one manager per thread.
bool PatchAndWrite(ITplManager* manager, const std::string& source, SourceFile* text,
                   const OutputFolder& output, const std::string& relative, bool may_slice);

// A diagnostic the library gave a worker's host, to be told to the
// build's own host just before the message it came before.
struct KeptDiagnostic {
  size_t before_message = 0;  // index into PatchJob::messages
  int32_t severity = TPL_DIAGNOSTIC_ERROR;
  int32_t line = 0;
  int32_t column = 0;
  std::string code, file, statement, reason;

  static KeptDiagnostic Of(const TplDiagnostic& diagnostic, size_t before_message);
  TplDiagnostic View() const;  // borrows the strings
};

// One file for a worker.
struct PatchJob {
  std::string source;  // full path in the skin
  std::string relative;
  SourceFile text;
  bool may_slice = false;
  // Set by the worker before done.
  std::vector<std::string> messages;  // the host's Output calls, in order
  std::vector<KeptDiagnostic> diagnostics;
  bool ran = false;                   // false when skipped after Ctrl-C
  bool written = false;
  bool done = false;  // guarded by the workers' lock
};

// Opens a session with the build's values for the host given.
using SessionOpener = std::function<bool(Session*, ITplHostCallback*)>;

class PatchWorkers {
 public:
  explicit PatchWorkers(const OutputFolder& output);
  ~PatchWorkers();
  PatchWorkers(const PatchWorkers&) = delete;
  PatchWorkers& operator=(const PatchWorkers&) = delete;

  // Opens `count` sessions here and starts a thread for each; false (and
  // no thread) when a session does not open.
  bool Start(int count, const SessionOpener& open);
  bool started() const { return !threads_.empty(); }
  // The job stays the caller's; it must live until Wait returns for it.
  void Submit(PatchJob* job);
  void Wait(const PatchJob& job);

 private:
  struct Worker;
  void Run(Worker* worker);

  const OutputFolder& output_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<PatchJob*> queue_;  // guarded by lock_
  bool stopping_ = false;        // guarded by lock_
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<std::thread> threads_;
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_PATCH_WORKERS_H
