// The manager's identity: three interfaces over one object and one count,
// the codes of QueryInterface, and the global scope it hands out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_fakes.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

const struct Face {
  const char* name;
  const TplIID* iid;
} kFaces[] = {{"ITplManager", &IID_ITplManager},
              {"ITplFileCopier", &IID_ITplFileCopier},
              {"ITplMacroServices", &IID_ITplMacroServices}};

ITplUnknown* Pick(const ManagerRefs& m, size_t face) {
  ITplUnknown* const all[] = {m.manager.get(), m.copier.get(), m.services.get()};
  return all[face];
}

TEST(ManagerIdentity, EveryInterfaceGivesTheSamePointersAndSharesOneCount) {
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.copier && m.services);
  for (size_t from = 0; from < 3; ++from) {
    for (size_t to = 0; to < 3; ++to) {
      SCOPED_TRACE(std::string(kFaces[from].name) + " asked for " + kFaces[to].name);
      Ref<ITplUnknown> out;
      EXPECT_EQ(Pick(m, from)->QueryInterface(*kFaces[to].iid, out.put_void()), TPL_S_OK);
      EXPECT_EQ(out.get(), Pick(m, to));
      // Three references of the host, one from this query.
      EXPECT_EQ((Counts{Pick(m, from)->AddRef(), Pick(m, to)->Release()}), (Counts{5, 4}));
    }
  }
}

constexpr TplIID kZeroIID = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
// IID_ITplManager with its first field one higher.
constexpr TplIID kNearManagerIID = {
    0x0B234452, 0xF87E, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};

TEST(ManagerIdentity, OtherIdsAndNullOutAnswerNotImplemented) {
  const struct {
    const char* name;
    const TplIID* iid;
  } kUnknown[] = {{"all-zero id", &kZeroIID},
                  {"near ITplManager", &kNearManagerIID},
                  {"ITplResolver", &IID_ITplResolver},  // the global scope's, not the manager's
                  {"ITplResolverSet", &IID_ITplResolverSet},
                  {"ITplExpression", &IID_ITplExpression}};
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.copier && m.services);
  for (size_t face = 0; face < 3; ++face) {
    for (const auto& unknown : kUnknown) {
      SCOPED_TRACE(std::string(kFaces[face].name) + " asked for " + unknown.name);
      void* out = reinterpret_cast<void*>(0x10);
      EXPECT_EQ(Pick(m, face)->QueryInterface(*unknown.iid, &out), TPL_E_NOTIMPL);
      EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(Pick(m, face)->QueryInterface(IID_ITplManager, nullptr), TPL_E_NOTIMPL);
    EXPECT_EQ(Pick(m, face)->QueryInterface(IID_ITplVariables, nullptr), TPL_E_NOTIMPL);
  }
  // No refused query took a reference.
  EXPECT_EQ((Counts{m.manager->AddRef(), m.manager->Release()}), (Counts{4, 3}));
}

TEST(ManagerIdentity, ReleasesThroughAnyInterfaceEndTheOneObject) {
  ITplManager* manager = nullptr;
  ASSERT_EQ(CreateTemplateManagerInstance(&manager), 0);
  ASSERT_NE(manager, nullptr);
  void* copier = nullptr;
  void* services = nullptr;
  ASSERT_EQ(manager->QueryInterface(IID_ITplFileCopier, &copier), TPL_S_OK);
  ASSERT_EQ(manager->QueryInterface(IID_ITplMacroServices, &services), TPL_S_OK);
  // The last reference ends the manager (ASan reports a second end).
  EXPECT_EQ((Counts{static_cast<ITplMacroServices*>(services)->Release(), manager->Release(),
                    static_cast<ITplFileCopier*>(copier)->Release()}),
            (Counts{2, 1, 0}));
}

TEST(ManagerGlobalScope, IsOneObjectWhoseCountRisesWithEachRequest) {
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.copier && m.services);
  void* first = nullptr;
  void* second = nullptr;
  void* as_resolver = nullptr;  // the scope is also the resolver for its variables
  ASSERT_EQ(m.manager->QueryInterface(IID_ITplVariables, &first), TPL_S_OK);
  ASSERT_EQ(m.services->QueryInterface(IID_ITplVariables, &second), TPL_S_OK);
  ASSERT_NE(first, nullptr);
  auto* scope = static_cast<ITplVariables*>(first);
  EXPECT_EQ(scope->QueryInterface(IID_ITplResolver, &as_resolver), TPL_S_OK);
  EXPECT_EQ((std::vector<void*>{second, as_resolver}), (std::vector<void*>{first, first}));
  // The scope asks nothing of the manager's count; owner-held, it stays the manager's at 0.
  EXPECT_EQ((Counts{scope->Release(), m.manager->AddRef(), m.manager->Release(), scope->Release(),
                    scope->Release()}),
            (Counts{2, 4, 3, 1, 0}));
}

TEST(ManagerGlobalScope, VariablesResolveUntilTerminateSystemValuesAfterARestart) {
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  s.SetGlobal("Greeting", "hello");
  Ref<ICvoString> out = NewText();
  EXPECT_EQ(s.manager->HasResolverFor("Greeting"), 0);
  EXPECT_EQ(s.manager->ResolveMacroText("Greeting", out.get()), 0);
  EXPECT_EQ(TextOf(out.get()), "hello");
  EXPECT_EQ(s.copier->Terminate(), 0);
  EXPECT_EQ(s.manager->HasResolverFor("Greeting"), 1);
  ASSERT_EQ(s.copier->Initialize(&s.host), 0);
  EXPECT_EQ(s.manager->SetSystemValue("System.Title", "Again"), 0);
  EXPECT_EQ(s.manager->ResolveMacroText("System.Title", out.get()), 0);
  EXPECT_EQ(TextOf(out.get()), "Again");
}

}  // namespace
}  // namespace quenloft::testing
