// CTplSystemResolver: answers "System.<name>" from the manager's system
// values. Owner-held: the manager destroys it.
#ifndef QUENLOFT_FUNCTIONS_SYSTEM_RESOLVER_H
#define QUENLOFT_FUNCTIONS_SYSTEM_RESOLVER_H

#include <string>
#include <unordered_map>

#include "frame/boundary.h"
#include "quenloft/interfaces.h"

namespace quenloft {

using SystemValueMap = std::unordered_map<std::string, std::string>;

// Registers "System" with services (when not null) on construction and
// withdraws it on destruction. Null when it cannot be allocated.
Owned<ITplResolver> MakeSystemResolver(const SystemValueMap* values, ITplMacroServices* services);

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_SYSTEM_RESOLVER_H
