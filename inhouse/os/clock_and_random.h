// The monotonic clock and random bits for names nobody else picks.
#ifndef INHOUSE_OS_CLOCK_AND_RANDOM_H
#define INHOUSE_OS_CLOCK_AND_RANDOM_H

#include <cstdint>

namespace inhouse::os {

int64_t MonotonicNanoseconds();
// From the system's random source; without one, still different on every
// call of every process.
uint64_t RandomBits();

}  // namespace inhouse::os

#endif  // INHOUSE_OS_CLOCK_AND_RANDOM_H
