// quenloft build: copies a skin into the output folder and patches its text
// files.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "console_host.h"
#include "dry_run.h"
#include "folder_source.h"
#include "folders.h"
#include "interrupt.h"
#include "messages.h"
#include "output_folder.h"
#include "options.h"
#include "patch_selection.h"
#include "prelude.h"
#include "session.h"
#include "skin_config.h"
#include "skin_folder.h"
#include "skin_writer.h"
#include "summary.h"
#include "system_calls.h"
#include "timing_report.h"

namespace quenloft_tool {
namespace {

ProgressStyle ChooseStyle(const CommonOptions& options) {
  if (options.quiet || options.json) return ProgressStyle::kQuiet;
  return system_calls::StderrIsTerminal() ? ProgressStyle::kBar : ProgressStyle::kPlain;
}

// Patch workers: one per core, where there is more than one.
int WorkerCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 1 ? static_cast<int>(cores) : 0;
}

}  // namespace

int RunBuild(const BuildOptions& options) {
  const auto started = std::chrono::steady_clock::now();
  std::string error;
  const std::string skin = ResolveSkinFolder(options.skin, &error);
  if (skin.empty()) return Fail(kExitUsage, error);
  const std::string output =
      AbsoluteFolder(options.output.empty() ? kDefaultOutput : options.output);
  // Writing into the skin would patch the skin itself; an output around it
  // would let a skin folder named like one of its own overwrite it.
  if (IsSameOrBelow(output, skin)) {
    return Fail(kExitUsage, "the output folder " + output + " lies inside the skin " + skin);
  }
  if (IsSameOrBelow(skin, output)) {
    return Fail(kExitUsage, "the output folder " + output + " contains the skin " + skin);
  }
  SkinSetup prepared;
  if (!PrepareSkin(skin, options.common, options.patch_globs, options.files, &prepared, &error)) {
    return Fail(kExitUsage, error);
  }
  SessionValues& values = prepared.values;
  // The two folders the tool owns: the skin (read) and the result (written).
  // Letting a user override them through --set would send the output where
  // the tool has not checked it can write.
  const std::string reserved =
      FirstSetOf(values, {"System.SourceFolderName", "System.ResultFolderName"});
  if (!reserved.empty()) {
    return Fail(kExitUsage, reserved + " is set by the tool: name the skin and use -o instead");
  }
  const auto list_skin = [&] {
    SkinListing listing = ListSkinWithWarnings(skin, options.follow_links, prepared.filter);
    KeepOnly(&listing, options.only);
    return listing;
  };
  const PatchSelection selection(prepared.patch_globs);
  if (options.dry_run) {
    return PrintDryRun(output, list_skin().names, selection, options.common.json);
  }
  if (!PrepareWritableFolder(output, &error)) {
    return Fail(kExitFailed, "cannot write to the output folder " + output + ": " + error);
  }
  // Two builds into one folder would mix their files (and one would take
  // the other's temporary files for leftovers).
  system_calls::FolderLock lock;
  switch (lock.Lock(output, kOutputLockName, &error)) {
    case system_calls::FolderLock::Result::kLocked:
      break;
    case system_calls::FolderLock::Result::kBusy:
      return Fail(kExitFailed, "another build is writing to " + output + " (it holds " +
                                   kOutputLockName + "); wait for it to end");
    case system_calls::FolderLock::Result::kFailed:
      return Fail(kExitFailed, "cannot lock the output folder " + output + ": " + error);
  }
  // A build that was killed while it wrote may have left temporary files.
  RemoveLeftoverTemporaryFiles(output);
  const std::string root = options.root.empty() ? output : AbsoluteFolder(options.root);

  TimingReport timings(options.common.timings);
  // No priming of the library's cache of stock files: the build writes
  // every file itself and never reads through that cache.

  BuildSummary summary;
  summary.skin = skin;
  summary.output = output;
  {
    HostOptions host_options;
    host_options.style = ChooseStyle(options.common);
    host_options.verbose = options.common.verbose && !options.common.quiet;
    host_options.result_folder = output;
    host_options.shown_skin = ShownSkinFolder(options.skin, skin);
    host_options.source_folder = skin;
    host_options.color =
        UseColor(ParseColorMode(options.common.color), system_calls::StderrIsTerminal());
    quenloft::ComPtr<ConsoleHost> host = ConsoleHost::Make(host_options);
    quenloft::ComPtr<FolderSource> source =
        FolderSource::Make(skin, list_skin(), Interrupted);

    // Every session of the build, the workers' too, sees the same values.
    const auto open = [&](Session* session, ITplHostCallback* session_host) {
      if (!session->Open(session_host, &error) || !session->AddModules(values.modules, &error)) {
        return false;
      }
      session->SetSystemValue("System.SourceFolderName", skin);
      session->SetSystemValue("System.ResultFolderName", output);
      session->SetSystemValue("System.RootFolderName", root);
      for (const auto& [name, value] : values.system) session->SetSystemValue(name, value);
      if (session->SetVariables(values.variables)) return true;
      error = "the manager has no variable scope";
      return false;
    };
    Session session;
    if (!open(&session, host.get())) {
      session.Close();
      return Fail(kExitUsage, error);
    }
    // The workers' managers get the prelude's globals as they get --var.
    const std::vector<NamedValue> globals = RunPrelude(session.manager(), prepared.prelude);
    values.variables.insert(values.variables.end(), globals.begin(), globals.end());

    session.manager()->AddFileSource(source.get());
    OutputFolder output_folder(output, skin);
    SkinWriteSetup setup;
    setup.host = host.get();
    setup.manager = session.manager();
    setup.skin = skin;
    setup.output = &output_folder;
    // A module's resolvers may keep state across files: one manager only,
    // and every file whole.
    if (values.modules.empty()) {
      setup.slice_large_files = true;
      setup.workers = WorkerCount();
      setup.open_worker = [&](Session* worker, ITplHostCallback* worker_host) {
        return open(worker, worker_host);
      };
    }
    const SkinWriteCounts counts =
        WriteSkin(setup, source->names(), selection);
    summary.interrupted = Interrupted();
    if (options.sync && !summary.interrupted && !output_folder.Sync()) {
      ++summary.failures;
      host->Say("Error: the output could not be flushed to disk");
    }

    session.manager()->RemoveFileSource(source.get());
    session.Close();

    // Every file that could not be written was reported with a "Fail to
    // update" message: in the patch steps, or after them for the copies.
    summary.unresolved_macros = host->unresolved();
    summary.warnings = host->warnings();
    summary.diagnostics = host->diagnostics();
    summary.failures += host->failures();
    summary.files_patched = counts.steps - counts.failed_steps;
    for (const std::string& name : source->names()) {
      if (host->failed_files().count(name) != 0) continue;  // counted above
      std::error_code ec;
      if (std::filesystem::exists(output + name, ec)) {
        ++summary.files_copied;
      } else if (!summary.interrupted) {
        ++summary.failures;
        host->Say("Error: not written: " + name);
      }
    }
  }
  summary.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
          .count();
  if (summary.interrupted) {
    summary.exit_code = kInterruptedExitCode;
  } else if (summary.failures > 0 ||
             (options.strict && summary.unresolved_macros + summary.warnings > 0)) {
    summary.exit_code = kExitFailed;
  }
  timings.Print(stderr);
  if (options.common.json) {
    std::printf("%s\n", FormatSummaryJson(summary).c_str());
  } else if (!options.common.quiet) {
    std::printf("%s\n", FormatSummaryLine(summary).c_str());
  }
  return summary.exit_code;
}

}  // namespace quenloft_tool
