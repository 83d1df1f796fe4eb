// The library's own resolver set: contributes the built-in functions.
#ifndef QUENLOFT_RESOLVERS_RESOLVER_SET_H
#define QUENLOFT_RESOLVERS_RESOLVER_SET_H

#include <cstdint>

#include "quenloft/interfaces.h"

namespace quenloft {

// The body of the export CreateTemplateResolversInstance.
int32_t CreateResolverSetInstance(ITplResolverSet** out);

}  // namespace quenloft

#endif  // QUENLOFT_RESOLVERS_RESOLVER_SET_H
