#include "os/clock_and_random.h"

#include <atomic>
#include <chrono>

#include "os/system_calls.h"

namespace inhouse::os {

int64_t MonotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint64_t RandomBits() {
  uint64_t bits = 0;
  if (SystemRandomBits(&bits)) return bits;
  // No entropy yet: the clock, a counter and the process still make names differ.
  static std::atomic<uint64_t> counter{0};
  return static_cast<uint64_t>(MonotonicNanoseconds()) * 0x9E3779B97F4A7C15ull +
         counter.fetch_add(1, std::memory_order_relaxed) + ProcessId();
}

}  // namespace inhouse::os
