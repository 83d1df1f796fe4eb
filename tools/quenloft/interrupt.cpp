#include "interrupt.h"

#include <atomic>

#include "system_calls.h"

namespace quenloft_tool {
namespace {

// Lock-free, so it may be written from a signal handler.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt() { g_interrupted.store(true, std::memory_order_relaxed); }

}  // namespace

void InstallInterruptHandler() { system_calls::CatchInterrupt(OnInterrupt); }

bool Interrupted() { return g_interrupted.load(std::memory_order_relaxed); }

}  // namespace quenloft_tool
