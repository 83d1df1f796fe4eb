// A host's request to stop, asked through ITplHostControl at every step of
// evaluation. The other bounds of a statement's work are rows of the
// statement table (limits.txt, transform.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/manager_session.h"
#include "support/messages.h"
#include "support/self_counted.h"
#include "support/text.h"

namespace quenloft::testing {
namespace {

using Texts = std::vector<std::string>;

// Answers ShouldStop once it was asked more than stop_after times.
class StopControl : public SelfCounted<ITplHostControl> {
 public:
  int32_t QL_CALL ShouldStop() override { return ++questions > stop_after ? 1 : 0; }
  long stop_after = 1L << 40;
  long questions = 0;
};

class ControlledHost : public RecordingHost {
 public:
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr || !(iid == IID_ITplHostControl))
      return RecordingHost::QueryInterface(iid, out);
    control.AddRef();
    *out = static_cast<ITplHostControl*>(&control);
    return 0;
  }
  StopControl control;
};

TEST(StopRequest, EveryEvaluationIsRefusedWhileTheHostAsks) {
  const std::string stopped = "Template Error: evaluation stopped at the host's request\r\n";
  ControlledHost host;  // outlives the session
  ManagerSession session;
  ASSERT_NO_FATAL_FAILURE(session.Open());
  ASSERT_EQ(session.copier->Initialize(&host), 0);
  ASSERT_EQ(CreateTemplateResolversInstance(&session.set), 0);
  ASSERT_EQ(session.set->SetManager(session.manager), 0);
  ASSERT_EQ(session.set->Initialize(), 0);
  const auto eval = [&](const char* expression) {
    Text out;
    out.get()->SetText("(unchanged)");
    session.manager->EvaluateExpression(expression, out);
    return out.text();
  };
  EXPECT_EQ(eval("Concat('a', 'b')"), "ab");
  EXPECT_GT(host.control.questions, 0);

  // Asked to stop in the middle of a fan-out that would not end by itself.
  session.SetGlobal("x$$", "%ReplaceMacros(x$$)%%ReplaceMacros(x$$)%");
  host.control.stop_after = host.control.questions + 500;
  eval("ReplaceMacros(x$$)");
  EXPECT_EQ(std::count(host.outputs.begin(), host.outputs.end(), stopped), 1);
  EXPECT_LT(host.outputs.size(), 1000u);
  EXPECT_LT(host.control.questions, 2000);
  host.outputs.clear();
  EXPECT_EQ(eval("Concat('a', 'b')"), "(unchanged)");
  EXPECT_EQ(host.outputs, (Texts{stopped, Unresolved("Concat('a', 'b')")}));

  host.control.stop_after = 1L << 40;
  EXPECT_EQ(eval("Concat('a', 'b')"), "ab");
  EXPECT_EQ(host.continue_questions, 0);  // ShouldContinue is for the passes only
  session.Close();
  EXPECT_EQ(host.control.count(), 1);
}

}  // namespace
}  // namespace quenloft::testing
