#include "timing_report.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include <string>

namespace quenloft_tool {

TimingReport::TimingReport(bool enabled) {
  if (!enabled) return;
  recorder_ = std::make_unique<CCheckTimeRecorder>();
  previous_ = CCheckTimeRecorder::SetCurrentTimeRecorder(recorder_.get());
}

TimingReport::~TimingReport() {
  if (recorder_) CCheckTimeRecorder::SetCurrentTimeRecorder(previous_);
}

void TimingReport::Print(std::FILE* stream) const {
  if (!recorder_) return;
  const std::string text = recorder_->GetText();
  std::fputs("timings:\n", stream);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::fprintf(stream, "  %s\n", text.substr(start, end - start).c_str());
    start = end + 1;
  }
}

}  // namespace quenloft_tool
