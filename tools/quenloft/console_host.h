// The tool's host callback: shows the library's messages and the progress
// of the update pass, counts unresolved macros and failed updates, and once
// Ctrl-C was pressed asks the library to stop evaluating (ShouldStop) and
// answers ShouldContinue() with 0. It takes the library's diagnostics
// (ITplDiagnostics), names their files as the skin's and shows each with
// its line of the skin in place of the unresolved-macro message it explains.
#ifndef QUENLOFT_TOOL_CONSOLE_HOST_H
#define QUENLOFT_TOOL_CONSOLE_HOST_H

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "diagnostics_printer.h"
#include "quenloft/com_object.h"

namespace quenloft_tool {

enum class ProgressStyle {
  kBar,    // a redrawn progress bar (stderr is a terminal)
  kPlain,  // progress dots and the library's own text, as it comes
  kQuiet,  // no progress at all
};

struct HostOptions {
  ProgressStyle style = ProgressStyle::kPlain;
  bool verbose = false;         // print every file the library notifies
  bool collect_errors = false;  // keep unresolved-macro messages instead of printing them
  std::string result_folder;    // stripped from notified paths when printed
  // Diagnostics: the library names files below result_folder; they are
  // shown as shown_skin plus the name, with their lines read below
  // source_folder.
  std::string shown_skin;
  std::string source_folder;
  bool color = false;
};

// An unresolved-macro message kept in collect mode.
struct CollectedMessage {
  std::string text;
  bool explained = false;  // a diagnostic came just before it
};

class ConsoleHost final
    : public quenloft::ComObject<ConsoleHost, ITplHostCallback, ITplHostControl,
                                 ITplDiagnostics> {
 public:
  static quenloft::ComPtr<ConsoleHost> Make(const HostOptions& options, std::FILE* stream = stderr);

  // What the library reported so far.
  int unresolved() const { return unresolved_; }
  int failures() const { return failures_; }
  // The files named by "Fail to update" messages, relative to the result
  // folder, with "/" between folders.
  const std::set<std::string>& failed_files() const { return failed_files_; }
  int notified() const { return notified_; }
  // Unresolved-macro messages kept in collect mode, in arrival order.
  std::vector<CollectedMessage> TakeCollected();
  // Every diagnostic so far, and those not taken yet.
  const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }
  std::vector<Diagnostic> TakeNewDiagnostics();
  int warnings() const { return warnings_; }
  // The diagnostic as shown, with its line of the skin.
  std::string Render(const Diagnostic& diagnostic);

  // The verb printed before notified files in verbose mode ("copied").
  void SetPhase(const char* verb) { phase_ = verb; }
  // Prints one line of the tool's own, keeping the progress bar intact.
  void Say(const std::string& line);
  // Removes the progress bar, if one is shown.
  void EndProgress();

  // ITplHostCallback
  int32_t QL_CALL Output(const char* text) override;
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t index, int32_t total) override;
  int32_t QL_CALL MapFileName(const char* path, ICvoString* out) override;
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char* path) override;
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override;

  // ITplHostControl
  int32_t QL_CALL ShouldStop() override;

  // ITplDiagnostics
  int32_t QL_CALL Report(const TplDiagnostic* diagnostic) override;

 private:
  ConsoleHost(const HostOptions& options, std::FILE* stream);
  void Write(const std::string& text);
  void ClearBar();
  void DrawBar();

  HostOptions options_;
  std::FILE* stream_;
  const char* phase_ = "";
  int unresolved_ = 0;
  int failures_ = 0;
  int notified_ = 0;
  std::set<std::string> failed_files_;
  std::vector<CollectedMessage> collected_;
  std::vector<Diagnostic> diagnostics_;
  size_t diagnostics_taken_ = 0;
  int warnings_ = 0;
  bool explained_ = false;  // an error diagnostic came; its message is next
  std::string lines_file_;  // the file whose text lines_ holds
  std::string lines_;
  bool stopped_ = false;  // the library told that it stops at our request
  bool at_line_start_ = true;
  bool bar_shown_ = false;
  int32_t bar_index_ = 0;
  int32_t bar_total_ = 0;
  int bar_percent_ = -1;
  int dots_shown_ = 0;  // plain style
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_CONSOLE_HOST_H
