// The built-in resolver set as a host drives it: identity, the twenty
// function names it registers, their withdrawal and the references it
// takes; and a host that asks its functions to stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/texts.h"
#include "support/host_objects.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

using Names = std::vector<std::string>;

// The built-in function names in the order they are listed.
const Names kBuiltIns = {"AssignString", "CompareNumber",    "CompareString", "Concat",
                         "FileName",     "IsEmpty",          "IsTrue",        "LoadFromFile",
                         "MacroExist",   "MoveFile",         "Output",        "Replace",
                         "ReplaceMacroExpr", "ReplaceMacros", "SaveToFile",   "Transform",
                         "HtmlToText",   "TextToHtml",       "NameToColor",   "ColorToName"};

// Each test makes its own sets for a manager without the built-in set.
class ResolverSet : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(session_.Open()); }

  Names Registered() const {
    Names found;
    for (const std::string& name : kBuiltIns) {
      if (session_.manager->HasResolverFor(name.c_str()) == 0) found.push_back(name);
    }
    return found;
  }
  ITplResolverSet* NewSet(ITplManager* manager) {
    ITplResolverSet* set = nullptr;
    EXPECT_EQ(CreateTemplateResolversInstance(&set), 0);
    EXPECT_EQ(set != nullptr ? set->SetManager(manager) : -1, 0);
    return set;
  }
  int32_t References() const {
    const int32_t count = session_.manager->AddRef() - 1;
    session_.manager->Release();
    return count;
  }
  std::string Concat() {
    Text out;
    session_.manager->ResolveMacroText("Concat('a', 'b')", out);
    return out.text();
  }

  ManagerSession session_;
};

// A resolver that holds every name first hears about each name the set
// asks for: twenty names, once each, in table order, also after a second
// Initialize; it keeps the names. While initialised, the set holds the
// manager; it gives back every reference it took.
TEST_F(ResolverSet, RegistersTheTwentyNamesOnceInOrder) {
  HostResolver spy(kBuiltIns);  // holds the names first, and answers every call
  spy.on_resolve = [](ITplMacroCall* call) { return call->SetResult("spy"), 0; };
  ASSERT_EQ(session_.manager->AddResolver(&spy), 0);
  const int32_t before = References();
  ITplResolverSet* set = NewSet(session_.manager);
  EXPECT_EQ(References(), before);
  EXPECT_EQ(Codes({set->Initialize(), set->Initialize()}), "0,0");
  EXPECT_EQ(spy.conflicts, kBuiltIns);
  EXPECT_GT(References(), before);
  EXPECT_EQ(Concat(), "spy");
  EXPECT_EQ(Codes({set->Uninitialize(), set->Release(), session_.manager->RemoveResolver(&spy)}),
            "0,0,0");
  EXPECT_EQ(References(), before);
  EXPECT_EQ(spy.count(), 1);
}

// The set keeps the manager it was attached to: a manager given later
// takes effect at the next Initialize. A set released while initialised
// withdraws its names first, so the manager never calls a destroyed
// resolver.
TEST_F(ResolverSet, UninitializeWithdrawsEveryNameFromTheManagerAttachedTo) {
  ITplManager* other = nullptr;
  ASSERT_EQ(CreateTemplateManagerInstance(&other), 0);
  ITplResolverSet* set = NewSet(session_.manager);
  ASSERT_EQ(set->Initialize(), 0);
  EXPECT_EQ(Registered(), kBuiltIns);
  EXPECT_EQ(Codes({set->SetManager(other), other->HasResolverFor("Concat"), set->Uninitialize()}),
            "0,1,0");
  EXPECT_EQ(Registered(), Names{});
  EXPECT_EQ(session_.manager->HasResolverFor("System"), 0);  // not the set's
  EXPECT_EQ(Codes({set->Uninitialize(), set->Initialize(), other->HasResolverFor("Concat"),
                   set->Uninitialize(), other->HasResolverFor("Concat"), set->Release(),
                   other->Release()}),
            "0,0,0,0,1,0,0");

  set = NewSet(session_.manager);
  EXPECT_EQ(Codes({set->Initialize(), set->Release()}), "0,0");
  EXPECT_EQ(Registered(), Names{});
  EXPECT_EQ(Concat(), "");
  EXPECT_EQ(session_.host.outputs, Names{Unresolved("Concat('a', 'b')")});
}

// A host's request to stop, asked through ITplHostControl at every step of
// evaluation (the other bounds of a statement's work are rows of the
// statement table: limits.txt, transform.txt). This control answers
// ShouldStop once it was asked more than stop_after times.
class StopControl : public SelfCounted<ITplHostControl> {
 public:
  int32_t QL_CALL ShouldStop() override { return ++questions > stop_after ? 1 : 0; }
  int64_t stop_after = int64_t{1} << 40;
  int64_t questions = 0;
};

TEST(StopRequest, EveryEvaluationIsRefusedWhileTheHostAsks) {
  const std::string stopped = "Template Error: evaluation stopped at the host's request\r\n";
  StopControl control;  // outlives the session
  ManagerSession session;
  RecordingHost& host = session.host;
  host.control = &control;
  ASSERT_NO_FATAL_FAILURE(session.Open(ManagerSession::BuiltIns::kAttached));
  const auto eval = [&](const char* expression) {
    Text out;
    out.get()->SetText("(unchanged)");
    session.manager->EvaluateExpression(expression, out);
    return out.text();
  };
  EXPECT_EQ(eval("Concat('a', 'b')"), "ab");
  EXPECT_GT(control.questions, 0);

  // Asked to stop in the middle of a fan-out that would not end by itself.
  session.SetGlobal("x$$", "%ReplaceMacros(x$$)%%ReplaceMacros(x$$)%");
  control.stop_after = control.questions + 500;
  eval("ReplaceMacros(x$$)");
  EXPECT_EQ(std::count(host.outputs.begin(), host.outputs.end(), stopped), 1);
  EXPECT_LT(host.outputs.size(), 1000u);
  EXPECT_LT(control.questions, 2000);
  host.outputs.clear();
  EXPECT_EQ(eval("Concat('a', 'b')"), "(unchanged)");
  EXPECT_EQ(host.outputs, (Names{stopped, Unresolved("Concat('a', 'b')")}));

  control.stop_after = int64_t{1} << 40;
  EXPECT_EQ(eval("Concat('a', 'b')"), "ab");
  EXPECT_EQ(host.continue_questions, 0);  // ShouldContinue is for the passes only
  session.Close();
  EXPECT_EQ(control.count(), 1);
}

}  // namespace
}  // namespace quenloft::testing
