#include "resolvers/resolver_set.h"

#include "frame/boundary.h"
#include "resolvers/resolver_set_impl.h"

namespace quenloft {

int32_t CreateResolverSetInstance(ITplResolverSet** out) {
  if (out == nullptr) return 1;
  *out = nullptr;
  ComPtr<ITplResolverSet> set = MakeObject<CTplResolverSetImpl>();
  if (!set) return 1;
  *out = set.detach();
  return 0;
}

CTplResolverSetImpl::CTplResolverSetImpl() = default;

CTplResolverSetImpl::~CTplResolverSetImpl() {
  if (library_) {
    // The library holds a reference to the manager it is attached to, so
    // that manager is still alive here.
    Guarded(0, [&] { return library_->Detach(); });
    library_.reset();
  }
}

int32_t CTplResolverSetImpl::Initialize() {
  return Guarded(1, [&] {
    if (manager_ == nullptr || library_) return 0;
    library_ = std::make_unique<CTplFunctionLibrary>();
    library_->Attach(manager_);
    return 0;
  });
}

int32_t CTplResolverSetImpl::Uninitialize() {
  return Guarded(1, [&] {
    if (manager_ == nullptr || !library_) return 0;
    library_->Detach();
    library_.reset();
    return 0;
  });
}

int32_t CTplResolverSetImpl::SetManager(ITplManager* manager) {
  manager_ = manager;
  return 0;
}

int32_t CTplResolverSetImpl::SetHostPath(const char* text) {
  return Guarded(1, [&] {
    host_path_ = text != nullptr ? text : "";
    return 0;
  });
}

int32_t CTplResolverSetImpl::SetHostParam(const char* text) {
  return Guarded(1, [&] {
    host_param_ = text != nullptr ? text : "";
    return 0;
  });
}

int32_t CTplResolverSetImpl::Reserved(int32_t) { return 0; }

}  // namespace quenloft
