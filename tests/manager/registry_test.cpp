// The resolver registry as a host and the objects of a manager reach it:
// AddResolver, RemoveResolver, RegisterName and UnregisterName.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_fakes.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

enum class Op { kRegister, kUnregister, kAdd, kRemove };  // names: the first two only

struct Script {
  const char* name;
  std::vector<std::string> names_a, names_b;  // what A and B list for AddResolver
  std::vector<Step<Op>> steps;
  std::vector<std::string> conflicts_a;  // OnNameConflict calls A received
};

const Script kScripts[] = {
    {"FirstHolderKeepsTheName", {}, {},
     {{Op::kRegister, "Output", Who::kA, 0, 2, 1},
      {Op::kRegister, "Output", Who::kB, 0, 2, 1},
      {Op::kUnregister, "Output", Who::kB, 0, 2, 1},  // by another: changes nothing
      {Op::kRegister, "Output", Who::kB, 0, 2, 1}},
     {"Output", "Output"}},
    {"OneReferencePerName", {}, {},
     {{Op::kRegister, "One", Who::kA, 0, 2, 1},
      {Op::kRegister, "One", Who::kA, 0, 2, 1},
      {Op::kRegister, "Two", Who::kA, 0, 3, 1},
      {Op::kUnregister, "One", Who::kA, 0, 2, 1},
      {Op::kUnregister, "One", Who::kA, 0, 2, 1}},
     {}},
    {"NamesAreCaseSensitive", {}, {},
     {{Op::kRegister, "Output", Who::kA, 0, 2, 1},
      {Op::kRegister, "output", Who::kB, 0, 2, 2},
      {Op::kRegister, "OUTPUT", Who::kA, 0, 3, 2}},
     {}},
    {"BadArguments", {}, {},
     {{Op::kRegister, nullptr, Who::kA, 1, 1, 1},
      {Op::kRegister, "", Who::kA, 1, 1, 1},
      {Op::kRegister, "Output", Who::kNone, 1, 1, 1},
      {Op::kUnregister, nullptr, Who::kA, 1, 1, 1},
      {Op::kUnregister, "", Who::kA, 1, 1, 1},
      {Op::kUnregister, "Output", Who::kNone, 1, 1, 1},
      {Op::kAdd, nullptr, Who::kNone, 1, 1, 1},
      {Op::kRemove, nullptr, Who::kNone, 1, 1, 1}},
     {}},
    {"AddResolverRegistersEveryListedName", {"Concat", "Replace", "Concat"}, {"Replace", "Trim"},
     {{Op::kAdd, nullptr, Who::kA, 0, 3, 1}, {Op::kAdd, nullptr, Who::kB, 0, 3, 2}},
     {"Replace"}},
    {"RemoveResolverLeavesOthersNames", {"Concat", "Replace"}, {"Trim"},
     {{Op::kAdd, nullptr, Who::kA, 0, 3, 1},
      {Op::kAdd, nullptr, Who::kB, 0, 3, 2},
      {Op::kRegister, "Extra", Who::kA, 0, 4, 2},
      {Op::kRemove, nullptr, Who::kA, 0, 1, 2},
      {Op::kRegister, "Concat", Who::kB, 0, 1, 3}},
     {}},
};

TEST(Registry, KeepsOneReferencePerNameAndTheFirstHolder) {
  for (const Script& s : kScripts) {
    SCOPED_TRACE(s.name);
    FakeResolver a(s.names_a), b(s.names_b);
    PlaySteps(a, b, s.steps, [](const ManagerRefs& m, const Step<Op>& step, ITplResolver* r) {
      switch (step.op) {
        case Op::kRegister: return m.services->RegisterName(step.name, r);
        case Op::kUnregister: return m.services->UnregisterName(step.name, r);
        case Op::kAdd: return m.manager->AddResolver(r);
        case Op::kRemove: return m.manager->RemoveResolver(r);
      }
      return -1;
    });
    EXPECT_EQ(a.conflicts, s.conflicts_a);
    EXPECT_TRUE(b.conflicts.empty());
  }
}

TEST(Registry, TheHolderOfANameAnswersIt) {
  FakeResolver a({"Greeting"}), b({"Greeting"});
  a.answer = "from A";
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  ASSERT_EQ(s.manager->AddResolver(&a), 0);
  ASSERT_EQ(s.manager->AddResolver(&b), 0);
  Ref<ICvoString> out = NewText();
  EXPECT_EQ(s.manager->ResolveMacroText("Greeting", out.get()), 0);
  EXPECT_EQ(TextOf(out.get()), "from A");
  EXPECT_EQ(b.resolved, 0);
  EXPECT_EQ(s.manager->HasResolverFor("greeting"), 1);
  ASSERT_EQ(s.manager->RemoveResolver(&a), 0);
  EXPECT_EQ(s.manager->HasResolverFor("Greeting"), 1) << "b never held the name";
  EXPECT_EQ((Counts{a.initialized, a.uninitialized}), (Counts{1, 1}));
}

// A resolver whose Release throws does not keep the other entries registered.
TEST(Registry, ClearGoesOnAfterAThrowingRelease) {
  FakeResolver thrower({"One", "Two"});
  FakeResolver good({"Three"});
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  ASSERT_EQ(s.manager->AddResolver(&thrower), 0);
  ASSERT_EQ(s.manager->AddResolver(&good), 0);
  thrower.throw_on_release = true;
  EXPECT_EQ(s.copier->Terminate(), 0);
  EXPECT_EQ((Counts{thrower.count(), good.count(), s.manager->HasResolverFor("One"),
                                  s.manager->HasResolverFor("Three")}),
            (Counts{1, 1, 1, 1}));
}

}  // namespace
}  // namespace quenloft::testing
