// What the statement-language tests share: a resolver of the test's own,
// driven by a lambda, and a manager with the built-in functions run as a
// host runs one, whose values come back in string objects of the host's
// own making.
#ifndef QUENLOFT_TESTS_PATCHING_LANGUAGE_FAKES_H
#define QUENLOFT_TESTS_PATCHING_LANGUAGE_FAKES_H

#include <functional>
#include <string>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/host_objects.h"
#include "support/manager_session.h"
#include "support/texts.h"

namespace quenloft_test {

using quenloft::testing::HostString;
using quenloft::testing::Codes;
using quenloft::testing::Unresolved;
using quenloft::testing::UnresolvedIn;
// An object of the test's own; the test holds no reference to it.
using Counted = quenloft::testing::SelfCounted<ITplUnknown>;

// What a host's string holds until the library writes to it.
inline constexpr char kUntouched[] = "-";

// Answers the names it lists with on_resolve (refusing without one), and
// ITplResolverEx with query_answer when extended is set. The test holds no
// reference.
class TestResolver final : public quenloft::testing::ListingResolver, public ITplResolverEx {
 public:
  explicit TestResolver(std::vector<std::string> names) : ListingResolver(std::move(names), 0) {}

  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr || iid != IID_ITplResolverEx || !extended) {
      return ListingResolver::QueryInterface(iid, out);
    }
    *out = static_cast<ITplResolverEx*>(this);
    AddRef();
    return 0;
  }
  int32_t QL_CALL AddRef() override { return ListingResolver::AddRef(); }
  int32_t QL_CALL Release() override { return ListingResolver::Release(); }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    return on_resolve ? on_resolve(call) : 1;
  }
  int32_t QL_CALL Reserved3() override { return 0; }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Reserved6() override { return 0; }
  int32_t QL_CALL MapText(ICvoString* out, const char* text) override {
    return out->SetText(("mapped:" + std::string(text)).c_str());
  }
  int32_t QL_CALL QueryMacro(ICvoString* out, const char*) override {
    out->SetText(query_answer.c_str());
    return 7;  // any result: the manager does not look at it
  }

  std::function<int32_t(ITplMacroCall*)> on_resolve;
  bool extended = false;
  std::string query_answer;
};

// A manager created through the export, initialised with a recording host
// and with the built-in resolver set attached; the New... objects come
// through its ITplMacroServices, one reference each.
class ManagerUnderTest : public quenloft::testing::ManagerSession {
 public:
  ManagerUnderTest() { Open(BuiltIns::kAttached); }

  // An expression's value; kUntouched when it failed.
  std::string Evaluate(const char* text, ITplUnknown* owner = nullptr) {
    HostString out(kUntouched);
    manager->EvaluateExpressionIn(text, owner, &out);
    return out.text();
  }
  // The text patched as a file of that name.
  std::string Patch(const char* name, const char* text) {
    ITplPatchedFile* file = NewFile(name);
    file->SetText(text);
    HostString out(kUntouched);
    EXPECT_EQ(file->Patch(&out), 0);
    EXPECT_EQ(file->Release(), 0);
    return out.text();
  }
  ITplPatchedFile* NewFile(const char* name) {
    ITplPatchedFile* file = nullptr;
    services->CreatePatchedFile(&file);
    file->SetFileName(name);
    return file;
  }
  ITplExpression* NewExpression(const char* text, ITplUnknown* owner = nullptr) {
    ITplExpression* expression = nullptr;
    services->CreateExpression(&expression, owner);
    expression->SetText(text);
    return expression;
  }
  ITplMacroCall* NewCall(const char* text, ITplExpression* context = nullptr) {
    ITplMacroCall* call = nullptr;
    services->CreateMacroCall(&call, context);
    call->SetText(text);
    return call;
  }
};

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_PATCHING_LANGUAGE_FAKES_H
