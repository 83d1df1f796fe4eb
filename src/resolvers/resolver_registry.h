// CTplResolverRegistry: a manager's map from name to the one resolver that
// answers it. Names are exact and case-sensitive; the first resolver that
// registers a name keeps it; every entry holds one reference.
// Results: 1 done, 0 bad argument or a caught exception.
#ifndef QUENLOFT_RESOLVERS_RESOLVER_REGISTRY_H
#define QUENLOFT_RESOLVERS_RESOLVER_REGISTRY_H

#include <string>
#include <string_view>
#include <unordered_map>

#include "quenloft/interfaces.h"

namespace quenloft {

class CTplResolverRegistry {
 public:
  CTplResolverRegistry();
  virtual ~CTplResolverRegistry();  // runs Clear
  CTplResolverRegistry(const CTplResolverRegistry&) = delete;
  CTplResolverRegistry& operator=(const CTplResolverRegistry&) = delete;

  int InitTable();
  int Register(const char* name, ITplResolver* resolver);
  int Unregister(const char* name, ITplResolver* resolver);
  int RegisterAll(ITplResolver* resolver);
  int UnregisterAll(ITplResolver* resolver);
  // No reference added: valid while the entry stands.
  ITplResolver* Lookup(std::string_view name) const;
  int Clear();

  size_t size() const { return entries_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, ITplResolver*, Hash, std::equal_to<>> entries_;
};

}  // namespace quenloft

#endif  // QUENLOFT_RESOLVERS_RESOLVER_REGISTRY_H
