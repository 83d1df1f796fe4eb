#include "patch_workers.h"

#include <algorithm>
#include <optional>

#include "interrupt.h"
#include "os/file.h"
#include "quenloft/com.h"
#include "session.h"
#include "skin_text.h"
#include "sliced_patch.h"

namespace quenloft_tool {
namespace {

// A worker's host: keeps the messages for the build's own host, and stops
// the library's evaluation after Ctrl-C as the build's own host does.
class KeepingHost final : public quenloft::ComObject<KeepingHost, ITplHostCallback,
                                                    ITplHostControl, ITplDiagnostics> {
 public:
  static quenloft::ComPtr<KeepingHost> Make() {
    return quenloft::ComPtr<KeepingHost>::retain(new KeepingHost());
  }
  void KeepFor(KeptReports* told) { told_ = told; }

  int32_t QL_CALL Output(const char* text) override {
    if (told_ != nullptr && text != nullptr) told_->messages.emplace_back(text);
    return 0;
  }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t, int32_t) override { return 0; }
  int32_t QL_CALL MapFileName(const char*, ICvoString*) override { return 1; }
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char*) override { return 0; }
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override { return Interrupted() ? 0 : 1; }
  int32_t QL_CALL ShouldStop() override { return Interrupted() ? 1 : 0; }
  int32_t QL_CALL Report(const TplDiagnostic* diagnostic) override {
    // A record shorter than this tool knows is one the build's host skips.
    if (told_ == nullptr || diagnostic == nullptr || diagnostic->size < sizeof(TplDiagnostic)) {
      return 0;
    }
    try {
      KeptDiagnostic& kept =
          told_->diagnostics.emplace_back(KeptDiagnostic::Of(*diagnostic, told_->messages.size()));
      ShiftToFile(&kept.line, &kept.column);  // a slice's lines: the file's
    } catch (...) {
      // Out of memory: the message it explains is shown as it is.
    }
    return 0;
  }

 private:
  KeepingHost() = default;
  KeptReports* told_ = nullptr;
};

// Patches slice by slice into the destination's temporary file.
bool PatchAndWriteSlices(ITplManager* manager, const std::string& source, SourceFile* text,
                         const OutputFolder& output, const std::string& relative,
                         const SlicePlan& plan, SliceHelper* helper) {
  const std::string destination = output.folder() + relative;
  bool library_failed = false;
  const auto fill = [&](int fd) {
    const SliceSink sink = [fd](std::string_view bytes) {
      return inhouse::os::WriteAll(fd, bytes.data(), bytes.size());
    };
    const std::optional<quenloft::MarkerStyle> style = MarkerStyleOfName(relative);
    if (plan.cut_size > 0 && style) {
      SliceCutter cutter(text->bytes(), *style, plan.cut_size);
      return PatchInSlices(manager, text->data.get(), destination, &cutter, sink,
                           &library_failed, helper);
    }
    return PatchInSlices(manager, text->data.get(), text->size, destination, plan.slices, sink,
                         &library_failed, helper);
  };
  if (output.WriteWith(relative, fill, text->permissions)) return true;
  if (!library_failed) output.Copy(source, relative);
  return false;
}

}  // namespace

bool PatchAndWrite(ITplManager* manager, const std::string& source, SourceFile* text,
                   const OutputFolder& output, const std::string& relative, const SlicePlan& plan,
                   SliceHelper* helper) {
  if (!plan.slices.empty() || plan.cut_size > 0) {
    return PatchAndWriteSlices(manager, source, text, output, relative, plan, helper);
  }
  const auto services = quenloft::ComPtr<ITplManager>::retain(manager).query<ITplMacroServices>();
  quenloft::ComPtr<ITplPatchedFile> file;
  if (!services || services->CreatePatchedFile(file.put()) != 0 || !file) return false;
  // The name the library's own update step gives it: messages name it, and
  // functions find the folders beside it.
  const std::string destination = output.folder() + relative;
  file->SetText(text->data.get());
  const uint32_t permissions = text->permissions;
  *text = SourceFile();
  file->AttachFileName(destination.c_str());
  const quenloft::Text patched;
  if (patched.get() == nullptr || file->Patch(patched) != 0) return false;
  const char* bytes = nullptr;
  if (patched.get()->GetLength() > 0 && patched.get()->GetText(&bytes) != 0) return false;
  const std::string_view view = bytes == nullptr ? std::string_view() : std::string_view(bytes);
  if (output.Write(relative, view, permissions)) return true;
  // What the library's two passes leave when the update fails: the copy.
  output.Copy(source, relative);
  return false;
}

struct PatchWorkers::Worker {
  quenloft::ComPtr<KeepingHost> host = KeepingHost::Make();
  Session session;
};

PatchWorkers::PatchWorkers(const OutputFolder& output) : output_(output) {}

PatchWorkers::~PatchWorkers() {
  if (opening_.joinable()) opening_.join();
  {
    const std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  for (auto& worker : workers_) worker->session.Close();
}

bool PatchWorkers::OpenSessions(int count, const SessionOpener& open) {
  for (int i = 0; i < count; ++i) {
    auto worker = std::make_unique<Worker>();
    if (!open(&worker->session, worker->host.get())) {
      worker->session.Close();
      for (auto& opened : workers_) opened->session.Close();
      workers_.clear();
      return false;
    }
    workers_.push_back(std::move(worker));
  }
  return true;
}

void PatchWorkers::OpenAhead(int count, const SessionOpener& open) {
  if (opening_.joinable() || !threads_.empty()) return;
  try {
    opening_ = std::thread([this, count, &open] {
      try {
        opened_ = OpenSessions(count, open);
      } catch (...) {
        opened_ = false;  // out of memory: Start says so
      }
    });
  } catch (...) {
    // No thread: Start opens them itself.
  }
}

bool PatchWorkers::Start(int count, const SessionOpener& open) {
  if (opening_.joinable()) {
    opening_.join();
    if (!opened_) return false;
  } else if (!OpenSessions(count, open)) {
    return false;
  }
  // A manager is used by one thread at a time: from here on, its worker's.
  for (auto& worker : workers_) threads_.emplace_back(&PatchWorkers::Run, this, worker.get());
  return true;
}

void PatchWorkers::Submit(PatchJob* job) { Enqueue({job, nullptr}); }

void PatchWorkers::Submit(SliceJob* job) { Enqueue({nullptr, job}); }

void PatchWorkers::Enqueue(Task task) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(task);
  }
  changed_.notify_all();
}

void PatchWorkers::Wait(const PatchJob& job) {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return job.done; });
}

bool PatchWorkers::Withdraw(const SliceJob& job) {
  const std::lock_guard<std::mutex> hold(lock_);
  const auto queued = std::find_if(queue_.begin(), queue_.end(),
                                   [&](const Task& task) { return task.slice == &job; });
  if (queued == queue_.end()) return false;
  queue_.erase(queued);
  return true;
}

void PatchWorkers::Wait(const SliceJob& job) {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return job.done; });
}

void PatchWorkers::Run(Worker* worker) {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    changed_.wait(hold, [&] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    const Task task = queue_.front();
    queue_.pop_front();
    hold.unlock();
    if (task.file != nullptr) {
      RunFile(worker, task.file);
    } else {
      // A slice is patched also after Ctrl-C: the library hears of it
      // from the host and stops, as it does on the build's own manager.
      worker->host->KeepFor(&task.slice->told);
      try {
        PatchSliceJob(worker->session.manager(), task.slice);
      } catch (...) {
        task.slice->patched = false;  // out of memory
      }
      worker->host->KeepFor(nullptr);
    }
    hold.lock();
    (task.file != nullptr ? task.file->done : task.slice->done) = true;
    changed_.notify_all();
  }
}

void PatchWorkers::RunFile(Worker* worker, PatchJob* job) {
  // Ctrl-C stops between files, as a sequential build does.
  if (!Interrupted()) {
    job->ran = true;
    worker->host->KeepFor(&job->told);
    try {
      job->written = PatchAndWrite(worker->session.manager(), job->source, &job->text, output_,
                                   job->relative, job->plan);
    } catch (...) {
      job->written = false;  // out of memory: one more file not written
    }
    worker->host->KeepFor(nullptr);
  }
  job->text = SourceFile();  // memory back before the next file
}

}  // namespace quenloft_tool
