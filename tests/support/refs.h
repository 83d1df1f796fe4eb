// How a host holds what the library hands out: the public ComPtr, here
// under the tests' older name, and a manager with its three interfaces.
#ifndef QUENLOFT_TESTS_SUPPORT_REFS_H
#define QUENLOFT_TESTS_SUPPORT_REFS_H

#include "quenloft/com.h"
#include "quenloft/quenloft.h"

namespace quenloft::testing {

template <class T>
using Ref = ComPtr<T>;

// A string object made the way hosts make them.
inline ComPtr<ICvoString> NewText() { return NewString(); }

// A manager with its three interfaces, as a host sets one up.
struct ManagerRefs {
  ComPtr<ITplManager> manager;
  ComPtr<ITplFileCopier> copier;
  ComPtr<ITplMacroServices> services;
};

inline ManagerRefs NewManager() {
  ManagerRefs m;
  if (CreateTemplateManagerInstance(m.manager.put()) == 0) {
    m.copier = m.manager.query<ITplFileCopier>();
    m.services = m.manager.query<ITplMacroServices>();
  }
  return m;
}

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_REFS_H
