// Managers made the way a host makes them: held by ComPtr with their three
// interfaces, or run as a session: created through the export, initialised
// with a recording host and, when asked for, with the built-in resolver set
// attached; Close() takes it all down in a host's order and checks that
// every reference came back. A session makes the language's objects
// through its ITplMacroServices, one reference each, and hands values back
// in string objects of the host's own making.
#ifndef QUENLOFT_TESTS_SUPPORT_MANAGER_SESSION_H
#define QUENLOFT_TESTS_SUPPORT_MANAGER_SESSION_H

#include <gtest/gtest.h>

#include <string>

#include "quenloft/com.h"
#include "quenloft/quenloft.h"
#include "support/host_objects.h"

namespace quenloft::testing {

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

// What a host's string holds until the library writes to it.
inline constexpr char kUntouched[] = "-";

class ManagerSession {
 public:
  enum class BuiltIns { kLeftOut, kAttached };

  ManagerSession() = default;
  ~ManagerSession() { Close(); }
  ManagerSession(const ManagerSession&) = delete;
  ManagerSession& operator=(const ManagerSession&) = delete;

  // What makes the manager and the built-in set: the exports, or (for a
  // test linked with the library's parts) a manager of a chosen kind.
  struct Factories {
    int32_t (*manager)(ITplManager**);
    int32_t (*resolvers)(ITplResolverSet**);
  };

  // Fails the test (fatally) when a step fails; call from SetUp or wrap in
  // ASSERT_NO_FATAL_FAILURE.
  void Open(BuiltIns built_ins = BuiltIns::kLeftOut) {
    // Through lambdas: the exports use the interface calling convention,
    // which on 32-bit Windows is not the default one Factories holds.
    OpenWith({[](ITplManager** out) { return CreateTemplateManagerInstance(out); },
              [](ITplResolverSet** out) { return CreateTemplateResolversInstance(out); }},
             built_ins);
  }
  void OpenWith(Factories make, BuiltIns built_ins) {
    ASSERT_EQ(make.manager(&manager), 0);
    ASSERT_NE(manager, nullptr);
    ASSERT_EQ(manager->QueryInterface(IID_ITplFileCopier, reinterpret_cast<void**>(&copier)), 0);
    ASSERT_EQ(manager->QueryInterface(IID_ITplMacroServices, reinterpret_cast<void**>(&services)),
              0);
    ASSERT_EQ(copier->Initialize(&host), 0);
    if (built_ins == BuiltIns::kLeftOut) return;
    ASSERT_EQ(make.resolvers(&set), 0);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->SetManager(manager), 0);
    ASSERT_EQ(set->Initialize(), 0);
  }

  // Idempotent; the destructor calls it too.
  void Close() {
    if (set != nullptr) {
      EXPECT_EQ(set->Uninitialize(), 0);
      EXPECT_EQ(set->Release(), 0);
      set = nullptr;
    }
    if (copier != nullptr) {
      EXPECT_EQ(copier->Terminate(), 0);
      copier->Release();
      copier = nullptr;
    }
    if (services != nullptr) {
      services->Release();
      services = nullptr;
    }
    if (manager != nullptr) {
      EXPECT_EQ(manager->Release(), 0);
      manager = nullptr;
      EXPECT_EQ(host.count(), 1);
    }
  }

  // The manager's "Global-Manager" scope, one reference.
  ITplVariables* GlobalScope() const {
    ITplVariables* scope = nullptr;
    manager->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope));
    return scope;
  }
  void SetGlobal(const char* name, const char* value) const {
    ITplVariables* scope = GlobalScope();
    ASSERT_NE(scope, nullptr);
    scope->SetVariable(name, value);
    scope->Release();
  }

  // An expression's value; kUntouched when it failed.
  std::string Evaluate(const char* text, ITplUnknown* owner = nullptr) const {
    HostString out(kUntouched);
    manager->EvaluateExpressionIn(text, owner, &out);
    return out.text();
  }
  // The text patched as a file of that name.
  std::string Patch(const char* name, const char* text) const {
    ITplPatchedFile* file = NewFile(name);
    file->SetText(text);
    HostString out(kUntouched);
    EXPECT_EQ(file->Patch(&out), 0);
    EXPECT_EQ(file->Release(), 0);
    return out.text();
  }
  ITplPatchedFile* NewFile(const char* name) const {
    ITplPatchedFile* file = nullptr;
    services->CreatePatchedFile(&file);
    file->SetFileName(name);
    return file;
  }
  ITplExpression* NewExpression(const char* text, ITplUnknown* owner = nullptr) const {
    ITplExpression* expression = nullptr;
    services->CreateExpression(&expression, owner);
    expression->SetText(text);
    return expression;
  }
  ITplMacroCall* NewCall(const char* text, ITplExpression* context = nullptr) const {
    ITplMacroCall* call = nullptr;
    services->CreateMacroCall(&call, context);
    call->SetText(text);
    return call;
  }

  RecordingHost host;
  ITplManager* manager = nullptr;
  ITplFileCopier* copier = nullptr;
  ITplMacroServices* services = nullptr;
  ITplResolverSet* set = nullptr;  // with the built-in set only
};

// A session with the built-in functions, as the language's tests run one.
struct LanguageSession : ManagerSession {
  LanguageSession() { Open(BuiltIns::kAttached); }
  explicit LanguageSession(Factories make) { OpenWith(make, BuiltIns::kAttached); }
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_MANAGER_SESSION_H
