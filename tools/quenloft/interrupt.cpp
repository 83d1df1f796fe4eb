#include "interrupt.h"

#include <atomic>
#include <cstdlib>

#include "system_calls.h"

namespace quenloft_tool {
namespace {

// Lock-free, so it may be written from a signal handler.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr char kFirstNotice[] =
    "\nquenloft: stopping after the current file (Ctrl-C again ends at once)\n";

// Runs in the signal handler: only async-signal-safe calls.
void OnInterrupt() {
  if (g_interrupted.exchange(true, std::memory_order_relaxed)) {
    std::_Exit(kInterruptedExitCode);
  }
  system_calls::WriteToStderr(kFirstNotice, sizeof kFirstNotice - 1);
}

}  // namespace

void InstallInterruptHandler() { system_calls::CatchInterrupt(OnInterrupt); }

bool Interrupted() { return g_interrupted.load(std::memory_order_relaxed); }

}  // namespace quenloft_tool
