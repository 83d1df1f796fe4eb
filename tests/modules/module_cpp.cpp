// A resolver module written in C++ with the public helper. Its set registers
// one resolver under QL_TEST_NAME and takes it back in Uninitialize; every
// step goes to the journal under QL_TEST_TAG, with the host parameter as
// the detail so tests can tell sets apart. Variants:
//   QL_TEST_THROW_IN_INITIALIZE  Initialize registers, then throws.
//   QL_TEST_LEAVE_REGISTERED     Uninitialize forgets to call RemoveResolver.
#include <quenloft/com_object.h>
#include <quenloft/quenloft.h>

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

class TestResolver final : public quenloft::ComObject<TestResolver, ITplResolver> {
 public:
  explicit TestResolver(std::string param) : param_(std::move(param)) {}
  ~TestResolver() override { Record("resolver-release0"); }

  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override {
    *position = 1;
    return name->SetText(QL_TEST_NAME), 0;
  }
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t*) override { return name->Empty(), 1; }
  int32_t QL_CALL OnNameConflict(const char*) override { return 0; }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    return call->SetResult(("hello from C++:" + param_).c_str()), 0;
  }

 private:
  std::string param_;
};

class TestResolverSet final : public quenloft::ComObject<TestResolverSet, ITplResolverSet> {
 public:
  ~TestResolverSet() override {
    resolver_.reset();
    Record("release0", param_);
  }

  int32_t QL_CALL Initialize() override {
    Record("init", param_);
    if (manager_ == nullptr || resolver_) return 0;
    resolver_ = quenloft::MakeObject<TestResolver>(param_);
    manager_->AddResolver(resolver_.get());
#ifdef QL_TEST_THROW_IN_INITIALIZE
    throw std::runtime_error("set cannot start");
#else
    return 0;
#endif
  }
  int32_t QL_CALL Uninitialize() override {
    Record("uninit", param_);
    if (manager_ == nullptr || !resolver_) return 0;
#ifndef QL_TEST_LEAVE_REGISTERED
    manager_->RemoveResolver(resolver_.get());
#endif
    resolver_.reset();
    return 0;
  }
  int32_t QL_CALL SetManager(ITplManager* manager) override {
    return Record("manager"), manager_ = manager, 0;
  }
  int32_t QL_CALL SetHostPath(const char* text) override {
    return Record("host-path", text != nullptr ? text : ""), 0;
  }
  int32_t QL_CALL SetHostParam(const char* text) override {
    param_ = text != nullptr ? text : "";
    return Record("host-param", param_), 0;
  }
  int32_t QL_CALL Reserved(int32_t) override { return 0; }

 private:
  ITplManager* manager_ = nullptr;
  quenloft::ComPtr<TestResolver> resolver_;
  std::string param_;
};

}  // namespace

extern "C" {

QL_EXPORT_SYMBOL int32_t QL_CALL CreateTemplateResolversInstance(ITplResolverSet** out) {
  Record("factory");
  if (out == nullptr) return 1;
  *out = quenloft::MakeObject<TestResolverSet>().detach();
  return 0;
}
QL_EXPORT_SYMBOL int32_t QL_CALL DllRegisterServer() { return Record("register"), 0; }
QL_EXPORT_SYMBOL int32_t QL_CALL DllUnregisterServer() { return Record("unregister"), 0; }

}  // extern "C"
