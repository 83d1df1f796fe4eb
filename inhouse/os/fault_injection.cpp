// The failure plan of inhouse_os_faults (see fault_injection.h).
#include "os/fault_injection.h"

#include <cerrno>

namespace inhouse::os::faults {
namespace {

constexpr int kCalls = static_cast<int>(Call::kRemove) + 1;

struct PlannedFailure {
  int calls_left = 0;  // 0: none planned
  int error = 0;
};

PlannedFailure g_planned[kCalls];
size_t g_transfer_limit = 0;  // 0: no limit

}  // namespace

void FailCall(Call call, int nth, int error) {
  g_planned[static_cast<int>(call)] = PlannedFailure{nth, error};
}

void LimitTransfers(size_t bytes) { g_transfer_limit = bytes; }

void Reset() {
  for (PlannedFailure& planned : g_planned) planned = PlannedFailure{};
  g_transfer_limit = 0;
}

bool Fails(Call call) {
  PlannedFailure& planned = g_planned[static_cast<int>(call)];
  if (planned.calls_left == 0 || --planned.calls_left != 0) return false;
  errno = planned.error;
  return true;
}

size_t Limit(size_t count) {
  return g_transfer_limit != 0 && count > g_transfer_limit ? g_transfer_limit : count;
}

}  // namespace inhouse::os::faults
