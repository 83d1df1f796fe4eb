// The manager's identity: three interfaces over one object and one count,
// the codes of QueryInterface, and the global scope it hands out.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

#include "host_fakes.h"
#include "support/refs.h"

namespace quenloft::testing {
namespace {

void* const kGarbage = reinterpret_cast<void*>(0x10);

struct Face {
  const char* name;
  ITplUnknown* (*pick)(const ManagerRefs& m);
};
void PrintTo(const Face& f, std::ostream* os) { *os << f.name; }

const Face kFaces[] = {
    {"Manager", [](const ManagerRefs& m) -> ITplUnknown* { return m.manager.get(); }},
    {"Copier", [](const ManagerRefs& m) -> ITplUnknown* { return m.copier.get(); }},
    {"Services", [](const ManagerRefs& m) -> ITplUnknown* { return m.services.get(); }},
};

struct Known {
  const char* name;
  const TplIID* iid;
  ITplUnknown* (*expected)(const ManagerRefs& m);
};
void PrintTo(const Known& k, std::ostream* os) { *os << k.name; }

const Known kKnown[] = {
    {"ITplManager", &IID_ITplManager, kFaces[0].pick},
    {"ITplFileCopier", &IID_ITplFileCopier, kFaces[1].pick},
    {"ITplMacroServices", &IID_ITplMacroServices, kFaces[2].pick},
};

std::string FaceAndId(const std::tuple<Face, Known>& p) {
  return std::string(std::get<0>(p).name) + "_" + std::get<1>(p).name;
}

class ManagerIdentity : public ::testing::TestWithParam<std::tuple<Face, Known>> {};

TEST_P(ManagerIdentity, EveryInterfaceGivesTheSamePointersAndSharesOneCount) {
  const auto& [face, known] = GetParam();
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.copier && m.services);

  Ref<ITplUnknown> out;
  EXPECT_EQ(face.pick(m)->QueryInterface(*known.iid, out.put_void()), TPL_S_OK);
  EXPECT_EQ(out.get(), known.expected(m));
  // Three references of the host, one from this query: the next is the 5th
  // whichever interface takes it.
  EXPECT_EQ(face.pick(m)->AddRef(), 5);
  EXPECT_EQ(known.expected(m)->Release(), 4);
}

INSTANTIATE_TEST_SUITE_P(Table, ManagerIdentity,
                         ::testing::Combine(::testing::ValuesIn(kFaces), ::testing::ValuesIn(kKnown)),
                         [](const auto& info) { return FaceAndId(info.param); });

constexpr TplIID kZeroIID = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
// IID_ITplManager with its first field one higher.
constexpr TplIID kNearManagerIID = {
    0x0B234452, 0xF87E, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
constexpr TplIID kStringIID = {IID_ICvoString.Data1, IID_ICvoString.Data2, IID_ICvoString.Data3,
                               {IID_ICvoString.Data4[0], IID_ICvoString.Data4[1],
                                IID_ICvoString.Data4[2], IID_ICvoString.Data4[3],
                                IID_ICvoString.Data4[4], IID_ICvoString.Data4[5],
                                IID_ICvoString.Data4[6], IID_ICvoString.Data4[7]}};

struct Unknown {
  const char* name;
  const TplIID* iid;
};
void PrintTo(const Unknown& u, std::ostream* os) { *os << u.name; }

const Unknown kUnknown[] = {
    {"AllZeroBaseId", &kZeroIID},
    {"NearManagerId", &kNearManagerIID},
    {"ITplResolver", &IID_ITplResolver},
    {"ITplExpression", &IID_ITplExpression},
    {"ITplMacroCall", &IID_ITplMacroCall},
    {"ITplPatchedFile", &IID_ITplPatchedFile},
    {"ITplResolverSet", &IID_ITplResolverSet},
    {"ITplResolverEx", &IID_ITplResolverEx},
    {"ICvoString", &kStringIID},
};

class ManagerUnknownId : public ::testing::TestWithParam<std::tuple<Face, Unknown>> {};

TEST_P(ManagerUnknownId, AnswersNotImplementedWithNullOut) {
  const auto& [face, unknown] = GetParam();
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.copier && m.services);
  void* out = kGarbage;
  EXPECT_EQ(face.pick(m)->QueryInterface(*unknown.iid, &out), TPL_E_NOTIMPL);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(m.manager->AddRef(), 4);  // unchanged: 3 + this one
  EXPECT_EQ(m.manager->Release(), 3);
}

INSTANTIATE_TEST_SUITE_P(Table, ManagerUnknownId,
                         ::testing::Combine(::testing::ValuesIn(kFaces), ::testing::ValuesIn(kUnknown)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::get<1>(info.param).name;
                         });

class ManagerNullOut : public ::testing::TestWithParam<Face> {};

TEST_P(ManagerNullOut, AnswersNotImplemented) {
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.copier && m.services);
  EXPECT_EQ(GetParam().pick(m)->QueryInterface(IID_ITplManager, nullptr), TPL_E_NOTIMPL);
  EXPECT_EQ(GetParam().pick(m)->QueryInterface(IID_ITplVariables, nullptr), TPL_E_NOTIMPL);
}

INSTANTIATE_TEST_SUITE_P(Table, ManagerNullOut, ::testing::ValuesIn(kFaces),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ManagerIdentity, ReleasesThroughAnyInterfaceEndTheOneObject) {
  ITplManager* manager = nullptr;
  ASSERT_EQ(CreateTemplateManagerInstance(&manager), 0);
  ASSERT_NE(manager, nullptr);
  void* copier = nullptr;
  void* services = nullptr;
  ASSERT_EQ(manager->QueryInterface(IID_ITplFileCopier, &copier), TPL_S_OK);
  ASSERT_EQ(manager->QueryInterface(IID_ITplMacroServices, &services), TPL_S_OK);
  EXPECT_EQ(static_cast<ITplMacroServices*>(services)->Release(), 2);
  EXPECT_EQ(manager->Release(), 1);
  // The last reference ends the manager (ASan reports a second end).
  EXPECT_EQ(static_cast<ITplFileCopier*>(copier)->Release(), 0);
}

TEST(ManagerFactory, EachCallMakesANewManagerWithOneReference) {
  EXPECT_EQ(CreateTemplateManagerInstance(nullptr), 0);
  Ref<ITplManager> a, b;
  ASSERT_EQ(CreateTemplateManagerInstance(a.put()), 0);
  ASSERT_EQ(CreateTemplateManagerInstance(b.put()), 0);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.get(), b.get());
  EXPECT_EQ(a->AddRef(), 2);
  EXPECT_EQ(a->Release(), 1);
  EXPECT_EQ(b->AddRef(), 2);
  EXPECT_EQ(b->Release(), 1);
}

TEST(ManagerGlobalScope, IsOneObjectWhoseCountRisesWithEachRequest) {
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.copier && m.services);
  void* first = kGarbage;
  void* second = kGarbage;
  ASSERT_EQ(m.manager->QueryInterface(IID_ITplVariables, &first), TPL_S_OK);
  ASSERT_EQ(m.services->QueryInterface(IID_ITplVariables, &second), TPL_S_OK);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  auto* scope = static_cast<ITplVariables*>(first);
  EXPECT_EQ(scope->AddRef(), 3);
  EXPECT_EQ(scope->Release(), 2);
  // The scope is also the resolver for its variables.
  void* as_resolver = nullptr;
  EXPECT_EQ(scope->QueryInterface(IID_ITplResolver, &as_resolver), TPL_S_OK);
  EXPECT_EQ(as_resolver, first);
  EXPECT_EQ(scope->Release(), 2);
  // The scope is the manager's and asks nothing of the manager's count.
  EXPECT_EQ(m.manager->AddRef(), 4);
  EXPECT_EQ(m.manager->Release(), 3);
  EXPECT_EQ(scope->Release(), 1);
  EXPECT_EQ(scope->Release(), 0);  // owner-held: still the manager's
}

TEST(ManagerGlobalScope, VariablesResolveThroughTheManagerUntilTerminate) {
  RecordingHost host;
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.copier && m.services);
    ASSERT_EQ(m.copier->Initialize(&host), 0);
    Ref<ITplVariables> scope;
    ASSERT_EQ(m.manager->QueryInterface(IID_ITplVariables, scope.put_void()), TPL_S_OK);
    scope->SetVariable("Greeting", "hello");
    Ref<ICvoString> out = NewText();
    EXPECT_EQ(m.manager->HasResolverFor("Greeting"), 0);
    EXPECT_EQ(m.manager->ResolveMacroText("Greeting", out.get()), 0);
    EXPECT_EQ(TextOf(out.get()), "hello");
    scope.reset();
    EXPECT_EQ(m.copier->Terminate(), 0);
    EXPECT_EQ(m.manager->HasResolverFor("Greeting"), 1);
  }
  EXPECT_EQ(host.count(), 1);
}

}  // namespace
}  // namespace quenloft::testing
