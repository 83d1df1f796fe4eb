#include "skin_writer.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "interrupt.h"
#include "quenloft/conventions.h"
#include "skin_text.h"
#include "sliced_patch.h"

namespace quenloft_tool {
namespace {

// Files read ahead for the workers, per worker: enough to keep them busy,
// few enough to bound the memory held.
constexpr size_t kJobsPerWorker = 4;

// The library names a file it failed to write relative to the result
// folder, with backslashes.
std::string UpdateFailedMessage(const std::string& relative) {
  std::string name = relative;
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  const int size = std::snprintf(nullptr, 0, quenloft::kUpdateFailedMessage, name.c_str());
  std::string text(static_cast<size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, quenloft::kUpdateFailedMessage, name.c_str());
  return text;
}

class Writer {
 public:
  Writer(const SkinWriteSetup& setup, size_t total)
      : setup_(setup), host_(setup.host), total_(static_cast<int32_t>(total)),
        workers_(*setup.output) {}

  // The patch steps, in name order.
  void Patch(const std::vector<std::string>& patched) {
    host_->SetPhase("patched");
    for (size_t i = 0; i < patched.size() && !Interrupted(); ++i) {
      PatchOne(patched[i], /*more_follow=*/i + 1 < patched.size());
    }
    while (!jobs_.empty()) TellOldest();
    if (steps_ == total_ && total_ > 0) host_->Progress(total_, total_);
    host_->EndProgress();
  }

  SkinWriteCounts counts() const { return {steps_, failed_steps_}; }

 private:
  void PatchOne(const std::string& relative, bool more_follow) {
    auto job = std::make_unique<PatchJob>();
    job->relative = relative;
    job->source = setup_.skin + relative;
    // The buffer of the last file that needed no patching: its pages are
    // already mapped.
    job->text = std::exchange(spare_, SourceFile());
    const bool may_open_ahead = MayOpenWorkersAhead(job->source, relative, more_follow);
    bool opening_ahead = false;
    const auto plain = [&](std::string_view bytes) {
      if (!MayHoldMarkers(bytes, relative)) return true;
      // Read whole from here on, and patched here in slices: the workers'
      // sessions open meanwhile.
      if (may_open_ahead && !opening_ahead) {
        workers_.OpenAhead(setup_.workers, setup_.open_worker);
        opening_ahead = true;
      }
      return false;
    };
    const OutputFolder::Placed placed =
        setup_.output->ReadOrCopy(job->source, relative, plain, &job->text);
    // The library is used here again below.
    if (opening_ahead) StartWorkers();
    const bool read = placed == OutputFolder::Placed::kRead;
    TextSurvey survey;
    if (read) {
      const std::string_view bytes = job->text.bytes();
      const size_t slice_size =
          setup_.slice_large_files
              ? SliceSizeFor(bytes, relative, setup_.slice_above, setup_.slice_size)
              : 0;
      if (slice_size > 0 && !MayHand(more_follow)) {
        // Patched here whatever its markers do: cut while it is patched, so
        // that the first slices are patched while the rest is walked.
        survey.may_hold_markers = HoldsMarkers(bytes, *MarkerStyleOfName(relative));
        job->plan.cut_size = slice_size;
      } else {
        survey = SurveyText(bytes, relative, slice_size);
        job->plan.slices = std::move(survey.slices);
      }
    }
    if (survey.may_hold_markers) {
      if (MayHand(more_follow) && !survey.may_affect_other_files && Hand(job)) return;
      // From here on the files see each other's variables: in order, here.
      ordered_ = true;
      while (!jobs_.empty()) TellOldest();
      Begin();
      SlicesOnWorkers slices(&workers_, host_, host_);
      job->written = PatchAndWrite(setup_.manager, job->source, &job->text, *setup_.output,
                                   relative, job->plan, SliceHelperFor(*job) ? &slices : nullptr);
      own_manager_used_ = true;
      End(*job);
      return;
    }
    // Nothing to patch.
    job->written = placed == OutputFolder::Placed::kCopied ||
                   (read && setup_.output->CopyRead(job->source, relative, job->text));
    // The job may wait behind the workers' files; its buffer serves the next.
    spare_ = std::exchange(job->text, SourceFile());
    job->ran = true;
    job->done = true;
    if (jobs_.empty()) {
      Begin();
      End(*job);
    } else {
      jobs_.push_back(std::move(job));
    }
  }

  // True when a file whose patching reaches no other file may go to a
  // worker: files before it did not see each other, and one follows.
  bool MayHand(bool more_follow) const {
    return !ordered_ && more_follow && setup_.workers > 0 && setup_.open_worker &&
           !failed_to_start_;
  }

  bool StartWorkers() {
    if (!workers_.started() && !workers_.Start(setup_.workers, setup_.open_worker)) {
      failed_to_start_ = true;
    }
    return !failed_to_start_;
  }

  // True when the file, should it hold markers, will be patched in slices
  // here, with the workers, who have not started yet.
  bool MayOpenWorkersAhead(const std::string& source, const std::string& relative,
                           bool more_follow) const {
    if (!setup_.slice_large_files || own_manager_used_ || MayHand(more_follow) ||
        setup_.workers <= 0 || !setup_.open_worker || failed_to_start_ || workers_.started() ||
        !MarkerStyleOfName(relative)) {
      return false;
    }
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(source, ec);
    return !ec && size >= setup_.slice_above;
  }

  // Gives the job to a worker; false when there are none.
  bool Hand(std::unique_ptr<PatchJob>& job) {
    if (!StartWorkers()) return false;
    if (jobs_.size() >= kJobsPerWorker * static_cast<size_t>(setup_.workers)) TellOldest();
    workers_.Submit(job.get());
    jobs_.push_back(std::move(job));
    return true;
  }

  // True when the slices of the job's file may go to the workers: their
  // managers hold what the build's own does until it patches a file (which
  // may assign globals), and a file in slices is worth starting them for.
  bool SliceHelperFor(const PatchJob& job) {
    if (own_manager_used_ || (job.plan.slices.size() < 2 && job.plan.cut_size == 0) ||
        setup_.workers <= 0 || !setup_.open_worker || failed_to_start_) {
      return false;
    }
    // One worker per core: this thread cuts the slices and writes their
    // outputs, and patches only what the workers have not begun.
    return StartWorkers();
  }

  // Passes on what the oldest job's file did, once it is done.
  void TellOldest() {
    const std::unique_ptr<PatchJob> job = std::move(jobs_.front());
    jobs_.pop_front();
    workers_.Wait(*job);
    if (!job->ran) return;  // skipped after Ctrl-C
    Begin();
    job->told.TellTo(host_, host_);
    End(*job);
  }

  void Begin() { host_->Progress(steps_, total_); }

  void End(const PatchJob& job) {
    ++steps_;
    const std::string destination = setup_.output->folder() + job.relative;
    host_->NotifyFile(destination.c_str());
    if (job.written) {
      setup_.output->Written(job.relative);
    } else {
      ++failed_steps_;
      host_->Output(UpdateFailedMessage(job.relative).c_str());
    }
  }

  const SkinWriteSetup& setup_;
  ConsoleHost* host_;
  int32_t total_;
  int steps_ = 0;
  int failed_steps_ = 0;
  bool ordered_ = false;
  bool own_manager_used_ = false;  // a file was patched on the build's manager
  bool failed_to_start_ = false;
  SourceFile spare_;
  std::deque<std::unique_ptr<PatchJob>> jobs_;  // handed out or waiting behind one, in order
  PatchWorkers workers_;  // last: joined before the jobs go
};

}  // namespace

SkinWriteCounts WriteSkin(const SkinWriteSetup& setup, const std::vector<std::string>& names,
              const PatchSelection& selection) {
  OutputFolder& output = *setup.output;
  // The copy pass: every file the library would copy is named "copied";
  // the patched ones are written by the update steps below.
  setup.host->SetPhase("copied");
  std::optional<CCheckTime> timer(std::in_place, "****quenloft build: copy");
  std::vector<std::string> patched;
  std::vector<std::string> failed_copies;
  for (const std::string& name : names) {
    if (Interrupted()) break;  // Ctrl-C stops the copies too
    // A folder that leads out of the output folder gets nothing.
    if (!output.PrepareFolderOf(name)) continue;
    if (selection.IsPatched(name)) {
      patched.push_back(name);
    } else if (output.Copy(setup.skin + name, name)) {
      output.Written(name);
    } else {
      failed_copies.push_back(name);
      continue;
    }
    setup.host->NotifyFile((output.folder() + name).c_str());
  }
  timer.emplace("****quenloft build: patch");
  SkinWriteCounts counts;
  if (!Interrupted()) {
    Writer writer(setup, patched.size());
    writer.Patch(patched);
    counts = writer.counts();
  }
  // The library reports the copies it could not make after the updates.
  for (const std::string& name : failed_copies) {
    setup.host->Output(UpdateFailedMessage(name).c_str());
  }
  return counts;
}

}  // namespace quenloft_tool
