// Placeholder until the System resolver lands.
#include "functions/system_resolver.h"

namespace quenloft {

Owned<ITplResolver> MakeSystemResolver(const SystemValueMap*, ITplMacroServices*) {
  return Owned<ITplResolver>(nullptr, [](ITplResolver*) {});
}

}  // namespace quenloft
