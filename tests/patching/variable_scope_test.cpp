// The variable scope against a recording ITplMacroServices, so that every
// name it registers and withdraws can be counted (a manager hides that).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "frame/com_ptr.h"
#include "patching/language_fakes.h"
#include "patching/objects.h"

namespace quenloft {
namespace {

using quenloft_test::Text;

// Records RegisterName and UnregisterName; keeps the first holder of a name.
class RecordingServices final : public ITplMacroServices {
 public:
  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return 1; }
  int32_t QL_CALL Release() override { return 1; }
  int32_t QL_CALL RegisterName(const char* name, ITplResolver* resolver) override {
    registered.emplace_back(name);
    for (const auto& [held, holder] : holders) {
      if (held == name) return 0;
    }
    holders.emplace_back(name, resolver);
    return 0;
  }
  int32_t QL_CALL UnregisterName(const char* name, ITplResolver* resolver) override {
    withdrawn.emplace_back(name);
    std::erase_if(holders, [&](const auto& h) { return h.first == name && h.second == resolver; });
    return 0;
  }
  int32_t QL_CALL AddTemplateFile(const char*, ITplFileSource*) override { return 1; }
  int32_t QL_CALL RemoveTemplateFile(const char*, ITplFileSource*) override { return 1; }
  // The scope makes nothing and resolves nothing through its services.
  int32_t QL_CALL CreateMacroCall(ITplMacroCall**, ITplExpression*) override { return 1; }
  int32_t QL_CALL CreateExpression(ITplExpression**, ITplUnknown*) override { return 1; }
  int32_t QL_CALL CreatePatchedFile(ITplPatchedFile**) override { return 1; }
  int32_t QL_CALL ResolveMacroCall(ITplMacroCall*) override { return 1; }

  std::vector<std::string> registered;
  std::vector<std::string> withdrawn;
  std::vector<std::pair<std::string, ITplResolver*>> holders;
};

class VariableScopeTest : public ::testing::Test {
 protected:
  // The value the scope gives a call naming `statement`, or "(none)".
  std::string Lookup(const char* statement) {
    ComPtr<ITplMacroCall> call = MakeMacroCall(&services, nullptr);
    call->SetText(statement);
    EXPECT_EQ(scope->Resolve(call.get()), 0);
    Text result;
    return call->GetResult(result) == 0 ? result.text() : "(none)";
  }

  RecordingServices services;
  Owned<ITplVariables> scope = MakeVariableScope(&services, kGlobalScopeName);
};

// A name is registered when it is stored and was not held; it stays
// registered when removed, and is withdrawn once when the scope is cleared
// or destroyed.
TEST_F(VariableScopeTest, RegistersAndWithdrawsEachNameOnce) {
  EXPECT_EQ(scope->SetVariable("a", "1"), 1);
  EXPECT_EQ(scope->SetVariable("a", "2"), 1);
  EXPECT_EQ(scope->AppendVariable("s", "x"), 1);
  EXPECT_EQ(scope->AppendVariable("s", "y"), 1);
  scope->SetVariable("n", nullptr);
  scope->SetVariable("", "ignored");
  scope->SetVariable(nullptr, "ignored");
  scope->AppendVariable(nullptr, "ignored");
  EXPECT_EQ(services.registered, (std::vector<std::string>{"a", "s", "n"}));
  EXPECT_EQ(Lookup("a.member(1)"), "2");  // only the name counts
  EXPECT_EQ(Lookup("s"), "xy");
  EXPECT_EQ(Lookup("n"), "");
  EXPECT_EQ(Lookup("A"), "(none)");  // keys keep their case
  EXPECT_EQ(Lookup("x = 'lit'"), "(none)");
  EXPECT_EQ(scope->Resolve(nullptr), 0);

  EXPECT_EQ(scope->RemoveVariable("a"), 0);
  EXPECT_EQ(scope->RemoveVariable("a"), 1);
  EXPECT_EQ(scope->RemoveVariable(""), 1);
  EXPECT_EQ(scope->RemoveVariable(nullptr), 1);
  EXPECT_TRUE(services.withdrawn.empty());
  EXPECT_EQ(Lookup("a"), "(none)");
  scope->SetVariable("a", "3");  // stored again: offered again
  EXPECT_EQ(services.registered, (std::vector<std::string>{"a", "s", "n", "a"}));
  EXPECT_EQ(Lookup("a"), "3");
  scope->RemoveVariable("s");

  EXPECT_EQ(scope->ClearVariables(), 0);
  EXPECT_EQ(services.withdrawn, (std::vector<std::string>{"n", "a", "s"}));
  EXPECT_TRUE(services.holders.empty());
  EXPECT_EQ(Lookup("n"), "(none)");
  EXPECT_EQ(scope->ClearVariables(), 0);  // nothing left to withdraw
  EXPECT_EQ(services.withdrawn.size(), 3u);
}

TEST_F(VariableScopeTest, DestructionWithdrawsTheNames) {
  scope->SetVariable("a", "1");
  scope->SetVariable("r", "2");
  scope->RemoveVariable("r");
  scope.reset();
  EXPECT_EQ(services.withdrawn, (std::vector<std::string>{"a", "r"}));
  EXPECT_TRUE(services.holders.empty());
}

TEST_F(VariableScopeTest, IdentityAndOwnerHeldLifetime) {
  EXPECT_EQ(scope->QueryInterface(IID_ITplVariables, nullptr), 1);
  void* as_resolver = nullptr;
  void* as_variables = nullptr;
  EXPECT_EQ(scope->QueryInterface(IID_ITplResolver, &as_resolver), 0);
  EXPECT_EQ(scope->QueryInterface(IID_ITplVariables, &as_variables), 0);
  EXPECT_EQ(as_resolver, as_variables);
  EXPECT_EQ(scope->Release(), 1);
  EXPECT_EQ(scope->Release(), 0);
  scope->SetVariable("still", "usable");  // count 0 does not destroy it
  EXPECT_EQ(Lookup("still"), "usable");
}

}  // namespace
}  // namespace quenloft
