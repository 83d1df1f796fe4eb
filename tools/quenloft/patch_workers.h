// Threads that patch files with template managers of their own, for files
// whose patching cannot change what another file's patching sees. What the
// library tells a worker's host is kept with the file, for the build to
// pass on in name order. Slices of one large file go to them too.
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

#include "kept_reports.h"
#include "output_folder.h"
#include "quenloft/quenloft.h"
#include "sliced_patch.h"

namespace quenloft_tool {

class Session;

// How a file is patched: whole, in the slices a survey found, or in
// slices cut while it is patched.
struct SlicePlan {
  std::vector<Slice> slices;  // none: whole, unless cut_size is set
  size_t cut_size = 0;        // cut while patching, in slices of about this size
};

// Patches the text of `source` as the file `relative` of the output folder
// and writes it there; false when it could not. A file patched whole gives
// its text back as soon as the library holds its own; a large file whose
// slices stand alone is patched slice by slice (sliced_patch.h), with a
// helper on more threads. Any thread, one manager per thread.
bool PatchAndWrite(ITplManager* manager, const std::string& source, SourceFile* text,
                   const OutputFolder& output, const std::string& relative, const SlicePlan& plan,
                   SliceHelper* helper = nullptr);

// One file for a worker.
struct PatchJob {
  std::string source;  // full path in the skin
  std::string relative;
  SourceFile text;
  SlicePlan plan;
  // Set by the worker before done.
  KeptReports told;  // what the library told the worker's host
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
  // Begins opening the sessions on a thread of their own while this one
  // goes on with what calls no library (reading the file they will patch);
  // Start, called before the library is used here again, takes them.
  void OpenAhead(int count, const SessionOpener& open);
  bool started() const { return !threads_.empty(); }
  // The job stays the caller's; it must live until Wait returns for it.
  void Submit(PatchJob* job);
  void Wait(const PatchJob& job);
  void Submit(SliceJob* job);
  bool Withdraw(const SliceJob& job);  // true when no worker had begun it
  void Wait(const SliceJob& job);

 private:
  struct Worker;
  struct Task {
    PatchJob* file = nullptr;
    SliceJob* slice = nullptr;  // when not a file
  };
  bool OpenSessions(int count, const SessionOpener& open);
  void Run(Worker* worker);
  void RunFile(Worker* worker, PatchJob* job);
  void Enqueue(Task task);

  const OutputFolder& output_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Task> queue_;       // guarded by lock_
  bool stopping_ = false;        // guarded by lock_
  std::vector<std::unique_ptr<Worker>> workers_;
  std::thread opening_;   // OpenAhead's, until Start joins it
  bool opened_ = false;   // by opening_, read after the join
  std::vector<std::thread> threads_;
};

// The slices of a file patched on the build's own manager, given to the
// workers; what the library tells about them goes to the build's host.
class SlicesOnWorkers final : public SliceHelper {
 public:
  SlicesOnWorkers(PatchWorkers* workers, ITplHostCallback* host, ITplDiagnostics* diagnostics)
      : workers_(workers), host_(host), diagnostics_(diagnostics) {}
  void Submit(SliceJob* job) override { workers_->Submit(job); }
  bool Withdraw(const SliceJob& job) override { return workers_->Withdraw(job); }
  void Wait(const SliceJob& job) override { workers_->Wait(job); }
  void Tell(const KeptReports& told, TextOrigin slice) override {
    told.TellTo(host_, diagnostics_, slice);
  }

 private:
  PatchWorkers* workers_;
  ITplHostCallback* host_;
  ITplDiagnostics* diagnostics_;
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_PATCH_WORKERS_H
