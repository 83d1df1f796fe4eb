// CTplResolverRegistry: a manager's map from name to the one resolver that
// answers it. Names are exact and case-sensitive; the first resolver that
// registers a name keeps it; every entry holds one reference. Entries hold
// raw pointers, not ComPtr: a host's resolver may throw from Release, and
// each Release here is caught, which a ComPtr's noexcept destructor cannot.
// Results: 1 done, 0 bad argument or a caught exception.
#ifndef QUENLOFT_RESOLVERS_RESOLVER_REGISTRY_H
#define QUENLOFT_RESOLVERS_RESOLVER_REGISTRY_H

#include <string_view>

#include "frame/string_map.h"
#include "quenloft/interfaces.h"

namespace quenloft {

class CTplVariableScopeImpl;

class CTplResolverRegistry {
 public:
  CTplResolverRegistry();
  virtual ~CTplResolverRegistry();  // runs Clear
  CTplResolverRegistry(const CTplResolverRegistry&) = delete;
  CTplResolverRegistry& operator=(const CTplResolverRegistry&) = delete;

  int InitTable();
  // One name's resolver, and the scope behind it when a scope of the
  // library registered the name itself (null otherwise): the manager may
  // then read the value without a call.
  struct Entry {
    ITplResolver* resolver;
    CTplVariableScopeImpl* scope;
  };

  int Register(const char* name, ITplResolver* resolver, CTplVariableScopeImpl* scope = nullptr);
  int Unregister(const char* name, ITplResolver* resolver);
  int RegisterAll(ITplResolver* resolver);
  int UnregisterAll(ITplResolver* resolver);
  // No reference added: valid while the entry stands.
  ITplResolver* Lookup(std::string_view name) const;
  const Entry* Find(const HashedName& name) const;
  int Clear();

  size_t size() const { return entries_.size(); }
  // Calls visit(std::string_view) with every registered name.
  template <class Visit>
  void ForEachName(Visit visit) const {
    for (const auto& entry : entries_) visit(std::string_view(entry.first));
  }

 private:
  StringMap<Entry> entries_;
};

}  // namespace quenloft

#endif  // QUENLOFT_RESOLVERS_RESOLVER_REGISTRY_H
