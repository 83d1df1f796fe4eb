#include "interrupt.h"

#include <signal.h>

#include <atomic>

namespace quenloft_tool {
namespace {

// Lock-free, so it may be written from the signal handler.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int /*signal*/) {
  g_interrupted.store(true, std::memory_order_relaxed);
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // SA_RESTART: a read or write that the signal lands in goes on, so no file
  // operation of the library sees EINTR half-way.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() { return g_interrupted.load(std::memory_order_relaxed); }

}  // namespace quenloft_tool
