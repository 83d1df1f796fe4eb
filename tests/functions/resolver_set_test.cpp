// The built-in resolver set as a host drives it: creation, identity, the
// registration of the twenty function names and their withdrawal.
#include <string>
#include <vector>

#include "spy_resolver.h"
#include "template_session.h"

namespace quenloft::testing {
namespace {

// A manager with a host but without the built-in set: each test makes its
// own set.
class ResolverSet : public ::testing::Test {
 protected:
  void SetUp() override { session_.Open(); }
  void TearDown() override { session_.Close(); }

  // The names for which the manager has a resolver.
  std::vector<std::string> Registered(const std::vector<std::string>& names) const {
    std::vector<std::string> found;
    for (const std::string& name : names) {
      if (session_.manager->HasResolverFor(name.c_str()) == 0) found.push_back(name);
    }
    return found;
  }

  // The value of the expression; "" when it does not resolve.
  std::string Evaluate(const char* expression) {
    Text out;
    session_.manager->EvaluateExpression(expression, out.get());
    return out.text();
  }

  ManagerSession session_;
};

TEST_F(ResolverSet, CreationAndIdentity) {
  EXPECT_EQ(CreateTemplateResolversInstance(nullptr), 1);
  ITplResolverSet* set = nullptr;
  ASSERT_EQ(CreateTemplateResolversInstance(&set), 0);
  ASSERT_NE(set, nullptr);

  EXPECT_EQ(set->QueryInterface(IID_ITplResolverSet, nullptr), TPL_E_INVALIDARG);
  void* out = reinterpret_cast<void*>(&out);
  for (const TplIID* iid : {&IID_ITplResolver, &IID_ITplManager, &IID_ITplMacroCall}) {
    EXPECT_EQ(set->QueryInterface(*iid, &out), TPL_E_NOTIMPL);
    EXPECT_EQ(out, nullptr);
  }
  ASSERT_EQ(set->QueryInterface(IID_ITplResolverSet, &out), 0);
  EXPECT_EQ(out, static_cast<void*>(set));
  EXPECT_EQ(set->AddRef(), 3);
  EXPECT_EQ(set->Release(), 2);
  EXPECT_EQ(set->Release(), 1);

  EXPECT_EQ(set->SetHostPath(nullptr), 0);
  EXPECT_EQ(set->SetHostParam(nullptr), 0);
  EXPECT_EQ(set->SetHostPath("/opt/host"), 0);
  EXPECT_EQ(set->SetHostParam("param"), 0);
  EXPECT_EQ(set->Reserved(7), 0);
  EXPECT_EQ(set->Uninitialize(), 0);  // never initialised
  EXPECT_EQ(set->Release(), 0);
}

TEST_F(ResolverSet, InitializeNeedsAManager) {
  ITplResolverSet* set = nullptr;
  ASSERT_EQ(CreateTemplateResolversInstance(&set), 0);
  EXPECT_EQ(set->Initialize(), 0);
  EXPECT_EQ(Registered(BuiltInNames()), std::vector<std::string>{});
  EXPECT_EQ(set->SetManager(session_.manager), 0);
  EXPECT_EQ(set->Initialize(), 0);
  EXPECT_EQ(Registered(BuiltInNames()), BuiltInNames());
  EXPECT_EQ(set->Uninitialize(), 0);
  EXPECT_EQ(set->Release(), 0);
}

// A resolver that holds every name first hears about each name the
// function library asks for: twenty names, once each, in table order.
TEST_F(ResolverSet, RegistersTheTwentyNamesOnceInOrder) {
  SpyResolver spy(BuiltInNames());
  ASSERT_EQ(session_.manager->AddResolver(&spy), 0);
  ITplResolverSet* set = nullptr;
  ASSERT_EQ(CreateTemplateResolversInstance(&set), 0);
  set->SetManager(session_.manager);
  EXPECT_EQ(set->Initialize(), 0);
  EXPECT_EQ(spy.conflicts, BuiltInNames());
  // A second Initialize registers nothing more.
  EXPECT_EQ(set->Initialize(), 0);
  EXPECT_EQ(spy.conflicts, BuiltInNames());
  // The spy keeps the names it had first.
  EXPECT_EQ(Evaluate("Concat('a', 'b')"), "spy");
  EXPECT_EQ(set->Uninitialize(), 0);
  EXPECT_EQ(set->Release(), 0);
  EXPECT_EQ(session_.manager->RemoveResolver(&spy), 0);
  EXPECT_EQ(spy.count(), 1);
}

TEST_F(ResolverSet, UninitializeWithdrawsEveryName) {
  ITplResolverSet* set = nullptr;
  ASSERT_EQ(CreateTemplateResolversInstance(&set), 0);
  set->SetManager(session_.manager);
  ASSERT_EQ(set->Initialize(), 0);
  EXPECT_EQ(Evaluate("Concat('a', 'b')"), "ab");

  EXPECT_EQ(set->Uninitialize(), 0);
  EXPECT_EQ(Registered(BuiltInNames()), std::vector<std::string>{});
  EXPECT_EQ(session_.manager->HasResolverFor("System"), 0);  // not the set's
  EXPECT_EQ(Evaluate("Concat('a', 'b')"), "");
  EXPECT_EQ(session_.host.outputs, std::vector<std::string>{Unresolved("Concat('a', 'b')")});
  EXPECT_EQ(set->Uninitialize(), 0);

  // The manager is still known: a later Initialize builds a new library.
  EXPECT_EQ(set->Initialize(), 0);
  EXPECT_EQ(Registered(BuiltInNames()), BuiltInNames());
  EXPECT_EQ(set->Uninitialize(), 0);
  EXPECT_EQ(set->Release(), 0);
}

// A set released while still initialised withdraws its names first, so the
// manager never calls a destroyed resolver.
TEST_F(ResolverSet, ReleasedWhileInitialisedWithdrawsItsNames) {
  ITplResolverSet* set = nullptr;
  ASSERT_EQ(CreateTemplateResolversInstance(&set), 0);
  set->SetManager(session_.manager);
  ASSERT_EQ(set->Initialize(), 0);
  EXPECT_EQ(set->Release(), 0);
  EXPECT_EQ(Registered(BuiltInNames()), std::vector<std::string>{});
  EXPECT_EQ(Evaluate("Concat('a', 'b')"), "");
  EXPECT_EQ(session_.host.outputs, std::vector<std::string>{Unresolved("Concat('a', 'b')")});
}

// The function library keeps the manager it was attached to; replacing the
// manager of an initialised set leaves the library with the first one.
TEST_F(ResolverSet, SetManagerWhileInitialised) {
  ITplManager* other = nullptr;
  ASSERT_EQ(CreateTemplateManagerInstance(&other), 0);
  ITplResolverSet* set = nullptr;
  ASSERT_EQ(CreateTemplateResolversInstance(&set), 0);
  set->SetManager(session_.manager);
  ASSERT_EQ(set->Initialize(), 0);
  EXPECT_EQ(set->SetManager(other), 0);
  EXPECT_EQ(other->HasResolverFor("Concat"), 1);
  EXPECT_EQ(set->Uninitialize(), 0);
  EXPECT_EQ(Registered(BuiltInNames()), std::vector<std::string>{});
  EXPECT_EQ(set->Release(), 0);
  EXPECT_EQ(other->Release(), 0);
}

// While attached, the function library keeps the manager alive; it gives
// back every reference it took.
TEST_F(ResolverSet, ReferencesToTheManagerAreGivenBack) {
  const int32_t before = session_.manager->AddRef() - 1;
  session_.manager->Release();
  ITplResolverSet* set = nullptr;
  ASSERT_EQ(CreateTemplateResolversInstance(&set), 0);
  set->SetManager(session_.manager);
  EXPECT_EQ(session_.manager->AddRef() - 1, before);  // the set itself takes none
  session_.manager->Release();
  ASSERT_EQ(set->Initialize(), 0);
  EXPECT_GT(session_.manager->AddRef() - 1, before);
  session_.manager->Release();
  EXPECT_EQ(set->Uninitialize(), 0);
  EXPECT_EQ(session_.manager->AddRef() - 1, before);
  session_.manager->Release();
  EXPECT_EQ(set->Release(), 0);
}

}  // namespace
}  // namespace quenloft::testing
