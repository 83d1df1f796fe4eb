// A resolver module written in C++ for the module tests. Its set registers
// one resolver under QL_TEST_NAME through AddResolver and takes it back
// with RemoveResolver in Uninitialize; every step goes to the journal under
// QL_TEST_TAG, with the host parameter as the detail so tests can tell sets
// apart. Variants:
//   QL_TEST_THROW_IN_INITIALIZE  Initialize registers, then throws.
//   QL_TEST_LEAVE_REGISTERED     Uninitialize forgets to call RemoveResolver.
#include <quenloft/quenloft.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <utility>

#include "test_journal.h"

namespace {

void Record(const char* event, const std::string& detail = {}) {
  QlJournalRecord(QL_TEST_TAG, event, detail.c_str());
}

__attribute__((constructor)) void OnLoad() { Record("load"); }
__attribute__((destructor)) void OnUnload() { Record("unload"); }

template <class Interface>
class Counted : public Interface {
 public:
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override {
    const int32_t left = --count_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~Counted() = default;

 private:
  std::atomic<int32_t> count_{0};
};

class TestResolver final : public Counted<ITplResolver> {
 public:
  explicit TestResolver(std::string param) : param_(std::move(param)) {}
  ~TestResolver() override { Record("resolver-release0"); }

  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override {
    *position = 1;
    name->SetText(QL_TEST_NAME);
    return 0;
  }
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t*) override {
    name->Empty();
    return 1;
  }
  int32_t QL_CALL OnNameConflict(const char*) override { return 0; }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    call->SetResult(("hello from C++:" + param_).c_str());
    return 0;
  }

 private:
  std::string param_;
};

class TestResolverSet final : public Counted<ITplResolverSet> {
 public:
  ~TestResolverSet() override {
    if (resolver_ != nullptr) resolver_->Release();
    Record("release0", param_);
  }

  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr) return TPL_E_INVALIDARG;
    *out = nullptr;
    if (iid != IID_ITplResolverSet) return TPL_E_NOTIMPL;
    AddRef();
    *out = static_cast<ITplResolverSet*>(this);
    return TPL_S_OK;
  }
  int32_t QL_CALL Initialize() override {
    Record("init", param_);
    if (manager_ == nullptr || resolver_ != nullptr) return 0;
    resolver_ = new TestResolver(param_);
    resolver_->AddRef();
    manager_->AddResolver(resolver_);
#ifdef QL_TEST_THROW_IN_INITIALIZE
    throw std::runtime_error("set cannot start");
#else
    return 0;
#endif
  }
  int32_t QL_CALL Uninitialize() override {
    Record("uninit", param_);
    if (manager_ == nullptr || resolver_ == nullptr) return 0;
#ifndef QL_TEST_LEAVE_REGISTERED
    manager_->RemoveResolver(resolver_);
#endif
    std::exchange(resolver_, nullptr)->Release();
    return 0;
  }
  int32_t QL_CALL SetManager(ITplManager* manager) override {
    Record("manager");
    manager_ = manager;
    return 0;
  }
  int32_t QL_CALL SetHostPath(const char* text) override {
    Record("host-path", text != nullptr ? text : "");
    return 0;
  }
  int32_t QL_CALL SetHostParam(const char* text) override {
    param_ = text != nullptr ? text : "";
    Record("host-param", param_);
    return 0;
  }
  int32_t QL_CALL Reserved(int32_t) override { return 0; }

 private:
  ITplManager* manager_ = nullptr;
  TestResolver* resolver_ = nullptr;
  std::string param_;
};

}  // namespace

extern "C" {

QL_EXPORT_SYMBOL int32_t QL_CALL CreateTemplateResolversInstance(ITplResolverSet** out) {
  Record("factory");
  if (out == nullptr) return 1;
  *out = new TestResolverSet();
  (*out)->AddRef();
  return 0;
}
QL_EXPORT_SYMBOL int32_t QL_CALL DllRegisterServer() {
  Record("register");
  return 0;
}
QL_EXPORT_SYMBOL int32_t QL_CALL DllUnregisterServer() {
  Record("unregister");
  return 0;
}

}  // extern "C"
