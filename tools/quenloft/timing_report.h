// --timings: switches the utilities library's time recorder on before the
// manager is made (so its environment line is caught) and prints what it
// recorded.
#ifndef QUENLOFT_TOOL_TIMING_REPORT_H
#define QUENLOFT_TOOL_TIMING_REPORT_H

#include <cstdio>
#include <memory>

class CCheckTimeRecorder;

namespace quenloft_tool {

class TimingReport {
 public:
  explicit TimingReport(bool enabled);
  ~TimingReport();  // restores the previous recorder
  TimingReport(const TimingReport&) = delete;
  TimingReport& operator=(const TimingReport&) = delete;

  void Print(std::FILE* stream) const;

 private:
  std::unique_ptr<CCheckTimeRecorder> recorder_;
  CCheckTimeRecorder* previous_ = nullptr;
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_TIMING_REPORT_H
