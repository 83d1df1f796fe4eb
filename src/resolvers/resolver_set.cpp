// Placeholder until the built-in resolver set lands.
#include "resolvers/resolver_set.h"

namespace quenloft {

int32_t CreateResolverSetInstance(ITplResolverSet** out) {
  if (out != nullptr) *out = nullptr;
  return 1;
}

}  // namespace quenloft
