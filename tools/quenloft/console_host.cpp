#include "console_host.h"

#include <cstddef>
#include <string_view>
#include <utility>

#include "interrupt.h"
#include "quenloft/conventions.h"
#include "skin_folder.h"
#include "sliced_patch.h"

namespace quenloft_tool {
namespace {

constexpr int kBarWidth = 30;

// The library ends its lines with "\r\n"; a terminal and a log want "\n".
std::string WithoutCarriageReturns(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '\r') out += *p;
  }
  return out;
}

// The file a "Fail to update" message names, with "/" between folders
// (the library spells them with backslashes).
std::string FailedFile(std::string_view message) {
  message.remove_prefix(quenloft::kUpdateFailedPrefix.size());
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) {
    message.remove_suffix(1);
  }
  std::string name(message);
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

// The library's name of a file, with "/" between folders.
std::string Slashed(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

// Fields are only ever appended: a diagnostic is read when the library
// filled every field this tool knows.
constexpr size_t kDiagnosticSizeKnown = offsetof(TplDiagnostic, reason) + sizeof(const char*);

std::string TextOf(const char* text) { return text == nullptr ? std::string() : text; }

std::string TrimNewlines(std::string text) {
  const size_t first = text.find_first_not_of('\n');
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of('\n');
  return text.substr(first, last - first + 1);
}

}  // namespace

quenloft::ComPtr<ConsoleHost> ConsoleHost::Make(const HostOptions& options, std::FILE* stream) {
  return quenloft::ComPtr<ConsoleHost>::retain(new ConsoleHost(options, stream));
}

ConsoleHost::ConsoleHost(const HostOptions& options, std::FILE* stream)
    : options_(options), stream_(stream) {}

std::vector<CollectedMessage> ConsoleHost::TakeCollected() { return std::move(collected_); }

std::vector<Diagnostic> ConsoleHost::TakeNewDiagnostics() {
  std::vector<Diagnostic> fresh(diagnostics_.begin() + static_cast<std::ptrdiff_t>(diagnostics_taken_),
                                diagnostics_.end());
  diagnostics_taken_ = diagnostics_.size();
  return fresh;
}

std::string ConsoleHost::Render(const Diagnostic& diagnostic) {
  const std::string& skin = options_.shown_skin;
  if (!options_.source_folder.empty() && diagnostic.file.compare(0, skin.size(), skin) == 0) {
    const std::string path = options_.source_folder + diagnostic.file.substr(skin.size());
    // Diagnostics of one file come together: one read per file.
    if (path != lines_file_) {
      lines_ = ReadSkinFile(path);
      lines_file_ = path;
    }
    return RenderDiagnostic(diagnostic, LineOf(lines_, diagnostic.line), options_.color);
  }
  return RenderDiagnostic(diagnostic, {}, options_.color);
}

void ConsoleHost::Write(const std::string& text) {
  if (text.empty()) return;
  std::fputs(text.c_str(), stream_);
  at_line_start_ = text.back() == '\n';
}

void ConsoleHost::Say(const std::string& line) {
  ClearBar();
  if (!at_line_start_) Write("\n");
  Write(line + "\n");
  DrawBar();
}

void ConsoleHost::ClearBar() {
  if (!bar_shown_) return;
  std::fputs("\r\033[K", stream_);
  at_line_start_ = true;
}

void ConsoleHost::DrawBar() {
  if (options_.style != ProgressStyle::kBar || bar_total_ <= 0) return;
  const int percent = static_cast<int>(static_cast<int64_t>(bar_index_) * 100 / bar_total_);
  const int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), '.');
  std::fprintf(stream_, "\rpatching [%s] %3d%% %d/%d", bar.c_str(), percent, bar_index_,
               bar_total_);
  std::fflush(stream_);
  bar_shown_ = true;
  at_line_start_ = false;
}

void ConsoleHost::EndProgress() {
  ClearBar();
  dots_shown_ = 0;
  bar_shown_ = false;
  bar_total_ = 0;
  bar_percent_ = -1;
  if (!at_line_start_) Write("\n");
}

int32_t QL_CALL ConsoleHost::Output(const char* text) {
  if (text == nullptr) return 0;
  const std::string_view message(text);
  // After Ctrl-C every statement fails, each told with the same message and
  // then as unresolved: the first says it all, the rest are not the skin's.
  if (message == quenloft::kStopRequestedMessage) {
    if (!stopped_) Say(TrimNewlines(WithoutCarriageReturns(text)));
    stopped_ = true;
    return 0;
  }
  // A diagnostic explains at most the message right after it.
  const bool explained = std::exchange(explained_, false);
  if (message.starts_with(quenloft::kUnresolvedMacroPrefix)) {
    if (stopped_) return 0;
    ++unresolved_;
    if (options_.collect_errors) {
      collected_.push_back({TrimNewlines(WithoutCarriageReturns(text)), explained});
      return 0;
    }
    if (explained) return 0;  // shown as its diagnostic
    Say(TrimNewlines(WithoutCarriageReturns(text)));
    return 0;
  }
  if (message.starts_with(quenloft::kUpdateFailedPrefix)) {
    ++failures_;
    failed_files_.insert(FailedFile(message));
    Say(TrimNewlines(WithoutCarriageReturns(text)));
    return 0;
  }
  // Why statements failed (a refused path, a limit, a stop) and files kept
  // out of the output: shown in every style, as errors are.
  if (message.starts_with(quenloft::kTemplateErrorPrefix) ||
      message.starts_with(quenloft::kDestinationRefusedPrefix)) {
    Say(TrimNewlines(WithoutCarriageReturns(text)));
    return 0;
  }
  // Progress dots and line ends: shown as they come where no bar replaces
  // them, without starting an empty line.
  if (options_.style != ProgressStyle::kPlain) return 0;
  const std::string plain = WithoutCarriageReturns(text);
  if (plain == "\n" && at_line_start_) return 0;
  Write(plain);
  std::fflush(stream_);
  return 0;
}

int32_t QL_CALL ConsoleHost::Progress(int32_t index, int32_t total) {
  if (total <= 0 || index < 0) return 0;
  if (options_.style == ProgressStyle::kPlain) {
    // One dot per percent, as the library's own update pass shows them;
    // verbose output lists every file instead.
    if (options_.verbose) return 0;
    const int percent = static_cast<int>(static_cast<int64_t>(index) * 100 / total);
    if (percent > dots_shown_) {
      Write(std::string(static_cast<size_t>(percent - dots_shown_), '.'));
      std::fflush(stream_);
      dots_shown_ = percent;
    }
    return 0;
  }
  if (options_.style != ProgressStyle::kBar) return 0;
  bar_index_ = index;
  bar_total_ = total;
  const int percent = static_cast<int>(static_cast<int64_t>(index) * 100 / total);
  // Redrawing only when the figure changes keeps large builds cheap.
  if (percent != bar_percent_ || index + 1 == total) {
    bar_percent_ = percent;
    DrawBar();
  }
  return 0;
}

int32_t QL_CALL ConsoleHost::MapFileName(const char* /*path*/, ICvoString* /*out*/) {
  return 1;  // the manager's own rule
}

int32_t QL_CALL ConsoleHost::NotifyFile(const char* path) {
  ++notified_;
  if (!options_.verbose || path == nullptr) return 0;
  // The manager spells destinations with backslashes.
  std::string shown = path;
  for (char& c : shown) {
    if (c == '\\') c = '/';
  }
  const std::string& folder = options_.result_folder;
  if (!folder.empty() && shown.compare(0, folder.size(), folder) == 0) {
    shown.erase(0, folder.size());
  }
  Say(std::string(phase_) + " " + shown);
  return 0;
}

int32_t QL_CALL ConsoleHost::ShouldContinue() { return Interrupted() ? 0 : 1; }

int32_t QL_CALL ConsoleHost::ShouldStop() { return Interrupted() ? 1 : 0; }

int32_t QL_CALL ConsoleHost::Report(const TplDiagnostic* d) {
  if (d == nullptr || d->size < kDiagnosticSizeKnown || stopped_) return 0;
  try {
    Diagnostic diagnostic;
    diagnostic.warning = d->severity == TPL_DIAGNOSTIC_WARNING;
    diagnostic.code = TextOf(d->code);
    diagnostic.line = d->line;
    diagnostic.column = d->column;
    ShiftToFile(&diagnostic.line, &diagnostic.column);  // a slice's lines: the file's
    diagnostic.statement = TextOf(d->statement);
    diagnostic.reason = TextOf(d->reason);
    diagnostic.file = Slashed(TextOf(d->file));
    const std::string& folder = options_.result_folder;
    if (!folder.empty() && diagnostic.file.compare(0, folder.size(), folder) == 0) {
      diagnostic.file = options_.shown_skin + diagnostic.file.substr(folder.size());
    }
    if (diagnostic.warning) ++warnings_;
    explained_ = !diagnostic.warning;
    diagnostics_.push_back(std::move(diagnostic));
    if (!options_.collect_errors) {
      const std::string shown = Render(diagnostics_.back());
      Say(shown.substr(0, shown.size() - 1));
    }
  } catch (...) {
    // Out of memory: the message that follows is shown as it is.
    explained_ = false;
  }
  return 0;
}

}  // namespace quenloft_tool
