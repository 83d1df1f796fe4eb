// How a host holds what the library hands out (kept for the tests that
// include it by this name).
#ifndef QUENLOFT_TESTS_MANAGER_HOST_REFS_H
#define QUENLOFT_TESTS_MANAGER_HOST_REFS_H

#include "support/refs.h"

#endif  // QUENLOFT_TESTS_MANAGER_HOST_REFS_H
