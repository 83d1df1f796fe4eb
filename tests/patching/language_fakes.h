// Count-tracking fakes for the statement-language tests: a host that
// records its messages and a resolver driven by a lambda. They live on the
// stack; each test checks that every reference it handed out came back.
#ifndef QUENLOFT_TESTS_PATCHING_LANGUAGE_FAKES_H
#define QUENLOFT_TESTS_PATCHING_LANGUAGE_FAKES_H

#include <CorvaskObjs/CvoString.h>

#include <functional>
#include <string>
#include <vector>

#include "quenloft/quenloft.h"

namespace quenloft_test {

// A string object the test owns; released at the end of the scope.
class Str {
 public:
  Str() { CreateCvoStringInstance(&s_); }
  ~Str() {
    if (s_ != nullptr) s_->Release();
  }
  Str(const Str&) = delete;
  Str& operator=(const Str&) = delete;
  ICvoString* get() const { return s_; }
  operator ICvoString*() const { return s_; }  // NOLINT(google-explicit-constructor)
  std::string text() const {
    const char* t = nullptr;
    if (s_->GetLength() == 0 || s_->GetText(&t) != 0 || t == nullptr) return {};
    return t;
  }

 private:
  ICvoString* s_ = nullptr;
};

class FakeHost final : public ITplHostCallback {
 public:
  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return ++count; }
  int32_t QL_CALL Release() override { return --count; }
  int32_t QL_CALL Output(const char* text) override {
    messages.emplace_back(text);
    return 0;
  }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t, int32_t) override { return 0; }
  int32_t QL_CALL MapFileName(const char*, ICvoString*) override { return 1; }
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char*) override { return 0; }
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override { return 1; }

  int32_t count = 0;
  std::vector<std::string> messages;
};

// Registers the names it lists and answers with on_resolve. With
// extended set it also answers ITplResolverEx.
class TestResolver final : public ITplResolver, public ITplResolverEx {
 public:
  explicit TestResolver(std::vector<std::string> names) : names_(std::move(names)) {}

  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr) return 1;
    *out = nullptr;
    if (iid == IID_ITplResolver) {
      *out = static_cast<ITplResolver*>(this);
    } else if (iid == IID_ITplResolverEx && extended) {
      *out = static_cast<ITplResolverEx*>(this);
    } else {
      return TPL_E_NOTIMPL;
    }
    ++count;
    return 0;
  }
  int32_t QL_CALL AddRef() override { return ++count; }
  int32_t QL_CALL Release() override { return --count; }

  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override {
    *position = 0;
    return GetNextName(name, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) override {
    const size_t i = static_cast<size_t>(*position);
    name->SetText(i < names_.size() ? names_[i].c_str() : "");
    ++*position;
    return 0;
  }
  int32_t QL_CALL OnNameConflict(const char*) override { return 0; }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    ++resolve_calls;
    return on_resolve ? on_resolve(call) : 1;
  }

  int32_t QL_CALL Reserved3() override { return 0; }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Reserved6() override { return 0; }
  int32_t QL_CALL MapText(ICvoString* out, const char* text) override {
    mapped.emplace_back(text);
    out->SetText(("mapped:" + std::string(text)).c_str());
    return 0;
  }
  int32_t QL_CALL QueryMacro(ICvoString* out, const char* macro_text) override {
    queried.emplace_back(macro_text);
    out->SetText(query_answer.c_str());
    return 7;  // any result: the manager does not look at it
  }

  int32_t count = 0;
  int resolve_calls = 0;
  std::function<int32_t(ITplMacroCall*)> on_resolve;
  bool extended = false;
  std::string query_answer;
  std::vector<std::string> queried;
  std::vector<std::string> mapped;

 private:
  std::vector<std::string> names_;
};

// A manager created through the export, initialised with a recording host.
class ManagerUnderTest {
 public:
  ManagerUnderTest() {
    CreateTemplateManagerInstance(&manager);
    manager->QueryInterface(IID_ITplFileCopier, reinterpret_cast<void**>(&copier));
    manager->QueryInterface(IID_ITplMacroServices, reinterpret_cast<void**>(&services));
    copier->Initialize(&host);
  }
  ~ManagerUnderTest() {
    copier->Terminate();
    services->Release();
    copier->Release();
    manager->Release();
  }
  ManagerUnderTest(const ManagerUnderTest&) = delete;
  ManagerUnderTest& operator=(const ManagerUnderTest&) = delete;

  // The manager's "Global-Manager" scope, one reference.
  ITplVariables* GlobalScope() {
    ITplVariables* scope = nullptr;
    manager->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope));
    return scope;
  }
  std::string Resolve(const char* text) {
    Str out;
    manager->ResolveMacroText(text, out);
    return out.text();
  }
  // A patched file to own expressions, one reference.
  ITplPatchedFile* NewFile(const char* name) {
    ITplPatchedFile* file = nullptr;
    services->CreatePatchedFile(&file);
    file->SetFileName(name);
    return file;
  }
  std::string Evaluate(const char* text, ITplUnknown* owner = nullptr) {
    Str out;
    manager->EvaluateExpressionIn(text, owner, out);
    return out.text();
  }

  FakeHost host;
  ITplManager* manager = nullptr;
  ITplFileCopier* copier = nullptr;
  ITplMacroServices* services = nullptr;
};

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_PATCHING_LANGUAGE_FAKES_H
