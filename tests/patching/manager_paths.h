// Managers of both kinds, made inside a test linked with the library's
// parts: the fast paths, and the straightforward one that reaches its
// objects through the interfaces alone.
#ifndef QUENLOFT_TESTS_PATCHING_MANAGER_PATHS_H
#define QUENLOFT_TESTS_PATCHING_MANAGER_PATHS_H

#include "manager/manager_impl.h"
#include "resolvers/resolver_set.h"
#include "support/manager_session.h"

namespace quenloft::testing {

inline int32_t FastManager(ITplManager** out) {
  return CreateManagerInstance(out, EvaluationPath::kFast);
}
inline int32_t StraightforwardManager(ITplManager** out) {
  return CreateManagerInstance(out, EvaluationPath::kStraightforward);
}

struct Path {
  const char* name;
  ManagerSession::Factories make;
};

inline constexpr Path kPaths[] = {
    {"fast paths", {&FastManager, &CreateResolverSetInstance}},
    {"straightforward path", {&StraightforwardManager, &CreateResolverSetInstance}},
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_PATCHING_MANAGER_PATHS_H
