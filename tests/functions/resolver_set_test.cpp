// The built-in resolver set as a host drives it: creation, identity, the
// registration of the twenty function names and their withdrawal.
#include <string>
#include <vector>

#include "support/codes.h"
#include "support/listing_resolver.h"
#include "template_session.h"

namespace quenloft::testing {
namespace {

// The built-in function names in the order they are listed.
const std::vector<std::string> kBuiltIns = {
    "AssignString", "CompareNumber", "CompareString",    "Concat",        "FileName",
    "IsEmpty",      "IsTrue",        "LoadFromFile",     "MacroExist",    "MoveFile",
    "Output",       "Replace",       "ReplaceMacroExpr", "ReplaceMacros", "SaveToFile",
    "Transform",    "HtmlToText",    "TextToHtml",       "NameToColor",   "ColorToName"};

// Holds names before the set does, and answers every call with "spy".
class SpyResolver : public ListingResolver {
 public:
  using ListingResolver::ListingResolver;
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    call->SetResult("spy");
    return 0;
  }
};

// A manager with a host but without the built-in set: each test makes its
// own set.
class ResolverSet : public TemplateSession {
 protected:
  void SetUp() override { session_.Open(); }

  // The names for which the manager has a resolver.
  std::vector<std::string> Registered(const std::vector<std::string>& names) const {
    std::vector<std::string> found;
    for (const std::string& name : names) {
      if (session_.manager->HasResolverFor(name.c_str()) == 0) found.push_back(name);
    }
    return found;
  }

  // A new set given the session's manager, initialised if asked.
  ITplResolverSet* NewSet(bool initialize = true) {
    ITplResolverSet* set = nullptr;
    EXPECT_EQ(CreateTemplateResolversInstance(&set), 0);
    if (set == nullptr) return nullptr;
    EXPECT_EQ(set->SetManager(session_.manager), 0);
    EXPECT_EQ(initialize ? set->Initialize() : 0, 0);
    return set;
  }
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
  EXPECT_EQ(Codes({set->AddRef(), set->Release(), set->Release()}), "3,2,1");
  // Never initialised; then no manager: nothing to register with.
  EXPECT_EQ(Codes({set->SetHostPath(nullptr), set->SetHostParam(nullptr), set->Uninitialize(),
                   set->Initialize()}),
            "0,0,0,0");
  EXPECT_EQ(Registered(kBuiltIns), std::vector<std::string>{});
  EXPECT_EQ(set->Release(), 0);
}

// A resolver that holds every name first hears about each name the
// function library asks for: twenty names, once each, in table order, also
// after a second Initialize; it keeps the names it had first.
TEST_F(ResolverSet, RegistersTheTwentyNamesOnceInOrder) {
  SpyResolver spy(kBuiltIns);
  ASSERT_EQ(session_.manager->AddResolver(&spy), 0);
  ITplResolverSet* set = NewSet();
  EXPECT_EQ(spy.conflicts, kBuiltIns);
  EXPECT_EQ(set->Initialize(), 0);
  EXPECT_EQ(spy.conflicts, kBuiltIns);
  EXPECT_EQ(Eval("Concat('a', 'b')"), "spy");
  EXPECT_EQ(Codes({set->Uninitialize(), set->Release(), session_.manager->RemoveResolver(&spy)}),
            "0,0,0");
  EXPECT_EQ(spy.count(), 1);
}

// The function library keeps the manager it was attached to: a manager
// given later takes effect at the next Initialize. A set released while
// still initialised withdraws its names first, so the manager never calls
// a destroyed resolver.
TEST_F(ResolverSet, UninitializeWithdrawsEveryNameFromTheManagerAttachedTo) {
  ITplManager* other = nullptr;
  ASSERT_EQ(CreateTemplateManagerInstance(&other), 0);
  ITplResolverSet* set = NewSet();
  EXPECT_EQ(Registered(kBuiltIns), kBuiltIns);
  EXPECT_EQ(Eval("Concat('a', 'b')"), "ab");
  EXPECT_EQ(Codes({set->SetManager(other), other->HasResolverFor("Concat"), set->Uninitialize()}),
            "0,1,0");
  EXPECT_EQ(Registered(kBuiltIns), std::vector<std::string>{});
  EXPECT_EQ(session_.manager->HasResolverFor("System"), 0);  // not the set's
  EXPECT_EQ(Eval("Concat('a', 'b')"), std::nullopt);
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved("Concat('a', 'b')")});
  EXPECT_EQ(Codes({set->Uninitialize(), set->Initialize(), other->HasResolverFor("Concat"),
                   set->Uninitialize(), other->HasResolverFor("Concat"), set->Release(),
                   other->Release()}),
            "0,0,0,0,1,0,0");

  SCOPED_TRACE("released while initialised");
  EXPECT_EQ(NewSet()->Release(), 0);
  EXPECT_EQ(Registered(kBuiltIns), std::vector<std::string>{});
  EXPECT_EQ(Eval("Concat('a', 'b')"), std::nullopt);
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved("Concat('a', 'b')")});
}

// While attached, the function library keeps the manager alive; it gives
// back every reference it took.
TEST_F(ResolverSet, ReferencesToTheManagerAreGivenBack) {
  const auto references = [this] {
    const int32_t count = session_.manager->AddRef() - 1;
    session_.manager->Release();
    return count;
  };
  const int32_t before = references();
  ITplResolverSet* set = NewSet(false);
  EXPECT_EQ(references(), before);  // the set itself takes none
  ASSERT_EQ(set->Initialize(), 0);
  EXPECT_GT(references(), before);
  EXPECT_EQ(set->Uninitialize(), 0);
  EXPECT_EQ(references(), before);
  EXPECT_EQ(set->Release(), 0);
}

}  // namespace
}  // namespace quenloft::testing
