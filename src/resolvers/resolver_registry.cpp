#include "resolvers/resolver_registry.h"

#include <utility>
#include <vector>

#include "frame/boundary.h"
#include "quenloft/string_object.h"

namespace quenloft {

namespace {
constexpr size_t kBuckets = 257;
}

CTplResolverRegistry::CTplResolverRegistry() { InitTable(); }

CTplResolverRegistry::~CTplResolverRegistry() { Clear(); }

int CTplResolverRegistry::InitTable() {
  // Entries still present stay registered (and keep their references); the
  // table is only sized again, and a table that cannot grow still works.
  Guarded(0, [&] {
    entries_.reserve(kBuckets);
    return 0;
  });
  return 1;
}

int CTplResolverRegistry::Register(const char* name, ITplResolver* resolver,
                                   CTplVariableScopeImpl* scope) {
  if (name == nullptr || *name == '\0' || resolver == nullptr) return 0;
  return Guarded(0, [&] {
    auto found = entries_.find(std::string_view(name));
    if (found == entries_.end()) {
      entries_.emplace(name, Entry{resolver, scope});
      resolver->AddRef();
    } else if (found->second.resolver != resolver) {
      // The first holder keeps the name and is told about the newcomer.
      found->second.resolver->OnNameConflict(name);
    }
    return 1;
  });
}

int CTplResolverRegistry::Unregister(const char* name, ITplResolver* resolver) {
  if (name == nullptr || *name == '\0' || resolver == nullptr) return 0;
  return Guarded(0, [&] {
    auto found = entries_.find(std::string_view(name));
    if (found != entries_.end() && found->second.resolver == resolver) {
      // Remove first: the Release below may call back into the registry.
      entries_.erase(found);
      resolver->Release();
    }
    return 1;
  });
}

int CTplResolverRegistry::RegisterAll(ITplResolver* resolver) {
  if (resolver == nullptr) return 0;
  return Guarded(0, [&] {
    resolver->Initialize();
    ComPtr<ICvoString> name = NewString();
    int32_t position = 0;
    if (name) resolver->GetFirstName(name.get(), &position);
    while (name && name->GetLength() != 0) {
      Register(ReadString(name.get()).c_str(), resolver);
      name->Empty();
      resolver->GetNextName(name.get(), &position);
    }
    return 1;
  });
}

int CTplResolverRegistry::UnregisterAll(ITplResolver* resolver) {
  if (resolver == nullptr) return 0;
  return Guarded(0, [&] {
    resolver->Uninitialize();
    size_t removed = 0;
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->second.resolver == resolver) {
        it = entries_.erase(it);
        ++removed;
      } else {
        ++it;
      }
    }
    // Released after the walk: a Release may call back into the registry.
    for (size_t i = 0; i < removed; ++i) resolver->Release();
    return 1;
  });
}

ITplResolver* CTplResolverRegistry::Lookup(std::string_view name) const {
  auto found = entries_.find(name);
  return found == entries_.end() ? nullptr : found->second.resolver;
}

const CTplResolverRegistry::Entry* CTplResolverRegistry::Find(const HashedName& name) const {
  auto found = entries_.find(name);
  return found == entries_.end() ? nullptr : &found->second;
}

int CTplResolverRegistry::Clear() {
  // Take the entries out first, so that resolvers whose Release calls back
  // (a scope withdrawing its names) find an empty registry.
  auto entries = std::exchange(entries_, {});
  for (auto& [name, entry] : entries) {
    ITplResolver* resolver = entry.resolver;
    if (resolver == nullptr) continue;
    // Caught one by one: a Release that throws must not keep the others
    // from being released.
    try {
      resolver->Release();
    } catch (...) {
    }
  }
  return 1;
}

}  // namespace quenloft
