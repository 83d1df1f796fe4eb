// quenloft check: patches every patchable file of a skin in memory and lists
// each macro that nothing resolves, as FILE:LINE: MESSAGE. A skin is checked
// because it is not trusted yet: it is copied to a private temporary folder
// first, which is its source, result and root folder, so that functions
// which read or write files see what a build would give them and reach
// nothing else.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

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
#include "summary.h"
#include "system_calls.h"
#include "timing_report.h"

namespace quenloft_tool {
namespace {

struct Problem {
  std::string file;  // as shown: the skin folder as given, then the name
  int line = 0;      // 0 when the macro text was not found in the file
  std::string message;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Finds where each unresolved macro stands. Macros are evaluated in
// document order, so each search goes on after the previous find (repeated
// macros get successive lines); a text not found there is looked for from
// the start.
class LineFinder {
 public:
  explicit LineFinder(const std::string& content) : content_(content) {}

  int LineOf(const std::string& macro) {
    if (macro.empty()) return 0;
    size_t at = content_.find(macro, next_);
    if (at == std::string::npos) at = content_.find(macro);
    if (at == std::string::npos) return 0;
    next_ = at + 1;
    return 1 + static_cast<int>(std::count(content_.begin(),
                                           content_.begin() + static_cast<std::ptrdiff_t>(at),
                                           '\n'));
  }

 private:
  const std::string& content_;
  size_t next_ = 0;
};

// "Template Error: can not resolve macro: TEXT in FILE" -> TEXT.
std::string MacroOf(const std::string& message, const std::string& file) {
  const std::string_view prefix = quenloft::kUnresolvedMacroPrefix;
  std::string text = std::string_view(message).starts_with(prefix)
                         ? message.substr(prefix.size())
                         : message;
  const std::string suffix = " in " + file;
  if (text.size() >= suffix.size() &&
      text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
    text.resize(text.size() - suffix.size());
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

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

void PrintProblems(const std::vector<Problem>& problems, int checked, bool json) {
  if (json) {
    std::string out = "{\"files_checked\":" + std::to_string(checked) + ",\"unresolved\":[";
    for (size_t i = 0; i < problems.size(); ++i) {
      if (i > 0) out += ",";
      out += "{\"file\":" + JsonString(problems[i].file) +
             ",\"line\":" + std::to_string(problems[i].line) +
             ",\"message\":" + JsonString(problems[i].message) + "}";
    }
    std::printf("%s]}\n", out.c_str());
    return;
  }
  for (const Problem& p : problems) {
    std::printf("%s:%d: %s\n", p.file.c_str(), p.line, p.message.c_str());
  }
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
  // Shown names start with the skin folder as the user wrote it.
  std::string shown_skin = options.skin.empty() ? skin : options.skin;
  if (!shown_skin.empty() && shown_skin.back() != '/' && shown_skin.back() != '\\') {
    shown_skin += '/';
  }

  TimingReport timings(options.common.timings);
  std::vector<Problem> problems;
  int checked = 0;
  {
    HostOptions host_options;
    host_options.style = ProgressStyle::kQuiet;
    host_options.collect_errors = true;
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
    RunPrelude(session.manager(), prepared.prelude);
    const std::vector<std::string> prelude_problems = host->TakeCollected();
    for (const std::string& message : prelude_problems) {
      problems.push_back({"prelude", 0, "can not resolve macro: " + MacroOf(message, "")});
    }
    // Registered as a build registers them; no copy pass, as the files
    // already are where a build would copy them.
    session.manager()->AddFileSource(source.get());

    quenloft::ComPtr<ITplMacroServices> services;
    session.manager()->QueryInterface(IID_ITplMacroServices, services.put_void());
    const PatchSelection selection(prepared.patch_globs);
    for (const std::string& name : source->names()) {
      if (Interrupted()) break;
      if (!services || !selection.IsPatched(name)) continue;
      const std::string content = ReadFile(scratch + name);
      const std::string path = scratch + name;
      quenloft::ComPtr<ITplPatchedFile> file;
      if (services->CreatePatchedFile(file.put()) != 0 || !file) continue;
      file->SetText(content.c_str());
      file->SetFileName(path.c_str());
      const quenloft::Text patched;
      file->Patch(patched);
      file.reset();
      ++checked;
      LineFinder lines(content);
      for (const std::string& message : host->TakeCollected()) {
        const std::string macro = MacroOf(message, path);
        problems.push_back({shown_skin + name, lines.LineOf(macro),
                            "can not resolve macro: " + macro});
      }
    }
    services.reset();
    session.manager()->RemoveFileSource(source.get());
    session.Close();
  }
  RemoveFolder(scratch);
  timings.Print(stderr);
  PrintProblems(problems, checked, options.common.json);
  if (!options.common.json && !options.common.quiet) {
    std::fprintf(stderr, "%d %s checked, %zu unresolved %s\n", checked,
                 checked == 1 ? "file" : "files", problems.size(),
                 problems.size() == 1 ? "macro" : "macros");
  }
  if (Interrupted()) return kInterruptedExitCode;
  return problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace quenloft_tool
