// Timing records.
#include <atomic>
#include <cstdio>
#include <mutex>

#include "CorvaskUtils/CorvaskUtils.h"
#include "os/clock_and_random.h"

namespace {

std::atomic<CCheckTimeRecorder*> g_current_recorder{nullptr};

}  // namespace

struct CCheckTimeRecorder::State {
  mutable std::mutex mutex;
  std::string text;  // guarded by mutex
};

CCheckTimeRecorder::CCheckTimeRecorder() : state_(new State) {}

CCheckTimeRecorder::~CCheckTimeRecorder() {
  // A recorder that goes away stops being the current one.
  CCheckTimeRecorder* self = this;
  g_current_recorder.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
  delete state_;
}

CCheckTimeRecorder* CCheckTimeRecorder::GetCurrentTimeRecorder() {
  return g_current_recorder.load(std::memory_order_acquire);
}

CCheckTimeRecorder* CCheckTimeRecorder::SetCurrentTimeRecorder(CCheckTimeRecorder* recorder) {
  return g_current_recorder.exchange(recorder, std::memory_order_acq_rel);
}

void CCheckTimeRecorder::Record(const char* text) {
  if (text == nullptr) return;
  const size_t length = std::char_traits<char>::length(text);
  std::lock_guard<std::mutex> lock(state_->mutex);
  try {
    state_->text.append(text, length);
    if (length == 0 || text[length - 1] != '\n') state_->text.push_back('\n');
  } catch (...) {
    // Timing records are best effort; out of memory drops the line.
  }
}

void CCheckTimeRecorder::RecordTime(const char* label, double milliseconds) {
  try {
    const std::string prefix = label == nullptr ? std::string() : std::string(label);
    char figure[64];
    std::snprintf(figure, sizeof figure, ": %.3f ms", milliseconds);
    Record((prefix + figure).c_str());
  } catch (...) {
  }
}

std::string CCheckTimeRecorder::GetText() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->text;
}

void CCheckTimeRecorder::Clear() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->text.clear();
}

CCheckTime::CCheckTime(const char* label)
    : label_(label == nullptr ? "" : label), start_ns_(inhouse::os::MonotonicNanoseconds()) {}

CCheckTime::~CCheckTime() {
  CCheckTimeRecorder* recorder = CCheckTimeRecorder::GetCurrentTimeRecorder();
  if (recorder == nullptr) return;
  const int64_t elapsed = inhouse::os::MonotonicNanoseconds() - start_ns_;
  recorder->RecordTime(label_.c_str(), static_cast<double>(elapsed) / 1e6);
}
