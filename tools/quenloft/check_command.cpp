// quenloft check: patches every patchable file of a skin in memory and lists
// each macro that nothing resolves and every mistake the library or the
// lint finds, as FILE:LINE:COLUMN: error|warning: REASON. A skin is checked
// because it is not trusted yet: it is copied to a private temporary folder
// first, which is its source, result and root folder, so that functions
// which read or write files see what a build would give them and reach
// nothing else.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "check_report.h"
#include "console_host.h"
#include "folder_source.h"
#include "folders.h"
#include "interrupt.h"
#include "messages.h"
#include "options.h"
#include "quenloft/conventions.h"
#include "patch_selection.h"
#include "prelude.h"
#include "quenloft/string_object.h"
#include "session.h"
#include "skin_config.h"
#include "skin_folder.h"
#include "skin_lint.h"
#include "summary.h"
#include "system_calls.h"
#include "timing_report.h"

namespace quenloft_tool {
namespace {

// Copies the listed files of the skin into `scratch` until Ctrl-C; false
// with *error on the first that cannot be copied.
bool CopySkin(const std::string& skin, const std::vector<std::string>& names,
              const std::string& scratch, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const std::string& name : names) {
    if (Interrupted()) break;
    fs::create_directories(fs::path(scratch + name).parent_path(), ec);
    if (!ec) fs::copy_file(skin + name, scratch + name, ec);
    if (ec) {
      *error = "cannot copy " + name + " to " + scratch + ": " + ec.message();
      return false;
    }
  }
  return true;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::vector<UnresolvedMacro> Unresolved(const std::vector<CollectedMessage>& messages,
                                        const std::string& file) {
  std::vector<UnresolvedMacro> macros;
  for (const CollectedMessage& message : messages) {
    macros.push_back({MacroOfMessage(message.text, file), message.explained});
  }
  return macros;
}

// The lint knows what this run sets: the three folders, the values given
// and the global variables given.
SkinLint MakeSkinLint(const SessionValues& values) {
  std::set<std::string> keys = {"System.SourceFolderName", "System.ResultFolderName",
                                "System.RootFolderName"};
  for (const auto& value : values.system) keys.insert(value.first);
  std::set<std::string> globals;
  for (const auto& variable : values.variables) globals.insert(variable.first);
  return SkinLint(std::move(keys), std::move(globals));
}

}  // namespace

int RunCheck(const CheckOptions& options) {
  std::string error;
  const std::string skin = ResolveSkinFolder(options.skin, &error);
  if (skin.empty()) return Fail(kExitUsage, error);
  SkinSetup prepared;
  if (!PrepareSkin(skin, options.common, options.patch_globs, options.files, &prepared, &error)) {
    return Fail(kExitUsage, error);
  }
  const SessionValues& values = prepared.values;
  error = ScratchFolderOverride(values, "check");
  if (!error.empty()) return Fail(kExitUsage, error);
  const std::string scratch = system_calls::MakeTemporaryFolder("quenloft-check-");
  if (scratch.empty()) return Fail(kExitFailed, "cannot make a temporary folder");
  // Excluded files are copied all the same, for the prelude and the file
  // functions to find them as a build would in the skin; they are not checked.
  SkinListing listing =
      ListSkinWithWarnings(skin, options.follow_links, SkinFilter({}, options.files.hidden));
  if (!CopySkin(skin, listing.names, scratch, &error)) {
    RemoveFolder(scratch);
    return Fail(kExitFailed, error);
  }
  prepared.filter.Apply(&listing);
  const std::string shown_skin = ShownSkinFolder(options.skin, skin);

  TimingReport timings(options.common.timings);
  const PatchSelection selection(prepared.patch_globs);
  SkinLint lint = MakeSkinLint(values);
  for (const std::string& name : listing.names) {
    if (selection.IsPatched(name)) lint.Learn(name, ReadSkinFile(scratch + name));
  }
  CheckReport report;
  int checked = 0;
  {
    HostOptions host_options;
    host_options.style = ProgressStyle::kQuiet;
    host_options.collect_errors = true;
    host_options.result_folder = scratch;
    host_options.source_folder = scratch;
    host_options.shown_skin = shown_skin;
    host_options.color = UseColor(ParseColorMode(options.common.color),
                                  system_calls::StdoutIsTerminal());
    quenloft::ComPtr<ConsoleHost> host = ConsoleHost::Make(host_options);
    quenloft::ComPtr<FolderSource> source =
        FolderSource::Make(scratch, std::move(listing), Interrupted);
    Session session;
    if (!session.Open(host.get(), &error) || !session.AddModules(values.modules, &error)) {
      session.Close();
      RemoveFolder(scratch);
      return Fail(kExitUsage, error);
    }
    session.SetSystemValue("System.SourceFolderName", scratch);
    session.SetSystemValue("System.ResultFolderName", scratch);
    session.SetSystemValue("System.RootFolderName", scratch);
    for (const auto& [name, value] : values.system) session.SetSystemValue(name, value);
    session.SetVariables(values.variables);
    for (const auto& global : RunPrelude(session.manager(), prepared.prelude)) {
      lint.Preset(global.first);
    }
    report.AddPrelude(host->TakeNewDiagnostics(), Unresolved(host->TakeCollected(), ""));
    // Registered as a build registers them; no copy pass, as the files
    // already are where a build would copy them.
    session.manager()->AddFileSource(source.get());

    std::string scratch_native = scratch;
    std::replace(scratch_native.begin(), scratch_native.end(), '/', '\\');
    quenloft::ComPtr<ITplMacroServices> services;
    session.manager()->QueryInterface(IID_ITplMacroServices, services.put_void());
    for (const std::string& name : source->names()) {
      if (Interrupted()) break;
      if (!services || !selection.IsPatched(name)) continue;
      const std::string content = ReadSkinFile(scratch + name);
      const std::string path = scratch + name;
      quenloft::ComPtr<ITplPatchedFile> file;
      if (services->CreatePatchedFile(file.put()) != 0 || !file) continue;
      file->SetText(content.c_str());
      file->SetFileName(path.c_str());
      const quenloft::Text patched;
      file->Patch(patched);
      file.reset();
      ++checked;
      const std::vector<UnresolvedMacro> unresolved = Unresolved(host->TakeCollected(), path);
      std::vector<Diagnostic> diagnostics = host->TakeNewDiagnostics();
      // The scratch copy stands for the skin in reasons too ("file not
      // found"), also as the library spells paths on Windows.
      for (Diagnostic& d : diagnostics) {
        d.reason = Replaced(Replaced(d.reason, scratch, shown_skin), scratch_native, shown_skin);
      }
      report.AddFile(name, shown_skin + name, content, diagnostics, unresolved, lint);
    }
    if (options.common.json) {
      std::printf("%s\n", report.Json(checked).c_str());
    } else {
      report.Print(stdout, [&](const Diagnostic& d) { return host->Render(d); });
    }
    services.reset();
    session.manager()->RemoveFileSource(source.get());
    session.Close();
  }
  RemoveFolder(scratch);
  timings.Print(stderr);
  if (!options.common.json && !options.common.quiet) {
    std::fprintf(stderr, "%s\n", CheckSummaryLine(checked, report).c_str());
  }
  if (Interrupted()) return kInterruptedExitCode;
  const bool failed = report.errors() > 0 || (options.strict && report.warnings() > 0);
  return failed ? kExitFailed : kExitOk;
}

}  // namespace quenloft_tool
