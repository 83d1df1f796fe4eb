// The bounds of a statement's work as a host meets them: values that would
// outgrow the value size limit, fan-out that would never end, runaway
// transformations, and the host's request to stop.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "inhouse/scratch_folder.h"
#include "support/self_counted.h"
#include "template_session.h"

namespace quenloft::testing {
namespace {

using inhouse_test::WriteFile;
using Texts = std::vector<std::string>;

std::string TooLarge(const std::string& limit) {
  return "Template Error: value larger than " + limit + " bytes refused\r\n";
}
std::string LimitReached(const std::string& steps) {
  return "Template Error: evaluation stopped after " + steps + " steps in one statement\r\n";
}
const std::string kStopped = "Template Error: evaluation stopped at the host's request\r\n";

long Count(const Texts& texts, const std::string& text) {
  return std::count(texts.begin(), texts.end(), text);
}

// A template that evaluates itself twice on every level.
constexpr char kTwice[] = "%ReplaceMacros(x$$)%%ReplaceMacros(x$$)%";

class Limits : public TemplateSession {};

TEST_F(Limits, ValuesStayWithinTheValueSizeLimit) {
  Set(kValueSizeLimitValue, "8");
  SetGlobal("four$$", "abcd");
  const auto too_large = [](const std::string& statement) {
    return EvalCase{statement, std::nullopt, {TooLarge("8"), Unresolved(statement)}};
  };
  const EvalCase cases[] = {
      {"Concat('abcd', 'efgh')", "abcdefgh", {}}, too_large("Concat('abcd', 'efghi')"),
      {"Replace('aaaa', 'a', 'bb')", "bbbbbbbb", {}}, too_large("Replace('aaaa', 'a', 'bbb')"),
      {"Replace('aaaaaaaaaa', 'aa', 'b')", "bbbbb", {}},  // shrinks from a long text
      {"ReplaceMacros('%four$$%')", "abcd", {}}, too_large("ReplaceMacros('%four$$%%four$$%!')"),
      too_large("TextToHtml('<<<')"),  // every function's result
  };
  ExpectEvaluations(cases);
  // A value that is not a positive number keeps the default.
  Set(kValueSizeLimitValue, "8 bytes");
  EXPECT_EQ(Eval("Concat('abcd', 'efghi')"), "abcdefghi");
}

// Doubling forty times, or squaring, stops at the limit with a message
// instead of taking all memory; the variable keeps its last value.
TEST_F(Limits, GrowingVariablesStopAtTheLimit) {
  Set(kValueSizeLimitValue, "1048576");
  SetGlobal("a$$", "x");
  SetGlobal("b$$", "xx");
  std::string text;
  for (int i = 0; i < 40; ++i) text += "%%%a$$ = Concat(a$$, a$$)%%%";
  for (int i = 0; i < 6; ++i) text += "%%%b$$ = Replace(b$$, 'x', b$$)%%%";
  Patch(text);
  const Texts outputs = TakeOutputs();
  EXPECT_EQ(Count(outputs, TooLarge("1048576")), 20 + 2);
  EXPECT_EQ(outputs.size(), 2u * (20 + 2));
  EXPECT_EQ(Eval("Concat(a$$)")->size(), 1048576u);
  EXPECT_EQ(Eval("Concat(b$$)")->size(), 65536u);
}

// The default limit, met by a file that is not read to find out.
TEST_F(Limits, LoadFromFileMeasuresBeforeItReads) {
  const inhouse_test::ScratchFolder dir;
  Set("System.SourceFolderName", dir.path() + "/");
  WriteFile(dir / "huge.txt", "");  // sparse: no byte of it is written
  std::filesystem::resize_file(dir / "huge.txt", kDefaultValueSizeLimit + 1);
  const std::string statement = "LoadFromFile('huge.txt', 'source')";
  const EvalCase cases[] = {{statement, std::nullopt,
                             {TooLarge(std::to_string(kDefaultValueSizeLimit)),
                              Unresolved(statement)}}};
  ExpectEvaluations(cases);
}

// Fan-out ends at the evaluation limit however deep it could still go; the
// next statement has a limit of its own.
TEST_F(Limits, FanOutEndsAtTheEvaluationLimit) {
  Set(kEvaluationLimitValue, "3000");
  SetGlobal("x$$", kTwice);
  Eval("ReplaceMacros(x$$)");
  Texts outputs = TakeOutputs();
  EXPECT_EQ(Count(outputs, LimitReached("3000")), 1);
  EXPECT_LT(outputs.size(), 3000u);
  EXPECT_EQ(Eval("Concat('still', ' working')"), "still working");

  // In a file, through ReplaceMacroExpr.
  Patch("%%%x$ = 'ReplaceMacroExpr(x$); ReplaceMacroExpr(x$)'%%%[%%%ReplaceMacroExpr(x$)%%%]");
  outputs = TakeOutputs();
  EXPECT_EQ(Count(outputs, LimitReached("3000")), 1);
  EXPECT_LT(outputs.size(), 3000u);
}

std::string Stylesheet(const std::string& templates) {
  return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
         "<xsl:template match=\"/\"><xsl:call-template name=\"t\"><xsl:with-param name=\"d\" "
         "select=\"40\"/></xsl:call-template></xsl:template>" +
         templates + "</xsl:stylesheet>";
}
const std::string kCallT =
    "<xsl:call-template name=\"t\"><xsl:with-param name=\"d\" select=\"$d - 1\"/>"
    "</xsl:call-template>";
// Calls itself twice per level, forty levels deep: 2^40 calls.
const std::string kTwiceDeep = Stylesheet("<xsl:template name=\"t\"><xsl:param name=\"d\"/>"
                                          "<xsl:if test=\"$d &gt; 0\">" + kCallT + kCallT +
                                          "</xsl:if><x/></xsl:template>");
// Calls itself without end.
const std::string kEndless =
    Stylesheet("<xsl:template name=\"t\"><xsl:param name=\"d\"/>" + kCallT + "</xsl:template>");

TEST_F(Limits, TransformStopsAtItsDepthAndTimeLimits) {
#ifdef _WIN32
  GTEST_SKIP() << "the XML DOM component keeps limits of its own";
#endif
  SetGlobal("xml$$", "<a/>");
  SetGlobal("endless$$", kEndless.c_str());
  SetGlobal("twice$$", kTwiceDeep.c_str());
  Set(kTransformTimeLimitValue, "100");
  const EvalCase cases[] = {
      {"Transform(xml$$, endless$$)", std::nullopt,
       {"Template Error: Transform stopped: templates nested deeper than 1000\r\n",
        Unresolved("Transform(xml$$, endless$$)")}},
      {"Transform(xml$$, twice$$)", std::nullopt,
       {"Template Error: Transform stopped after 100 ms\r\n",
        Unresolved("Transform(xml$$, twice$$)")}},
  };
  ExpectEvaluations(cases);
}

// Answers ShouldStop as the test says and counts the questions.
class StopControl : public SelfCounted<ITplHostControl> {
 public:
  int32_t QL_CALL ShouldStop() override {
    ++questions;
    return questions > stop_after ? 1 : 0;
  }
  int64_t stop_after = int64_t{1} << 40;
  int64_t questions = 0;
};

// A recording host that has a control.
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
  ControlledHost host;  // outlives the session
  ManagerSession session;
  ASSERT_NO_FATAL_FAILURE(session.Open());
  ASSERT_EQ(session.copier->Initialize(&host), 0);  // the host with a control
  ASSERT_EQ(CreateTemplateResolversInstance(&session.set), 0);
  ASSERT_EQ(session.set->SetManager(session.manager), 0);
  ASSERT_EQ(session.set->Initialize(), 0);
  const auto eval = [&](const std::string& expression) {
    Text out;
    out.get()->SetText("(unchanged)");
    session.manager->EvaluateExpression(expression.c_str(), out);
    return out.text();
  };
  EXPECT_EQ(eval("Concat('a', 'b')"), "ab");
  EXPECT_GT(host.control.questions, 0);

  // Asked to stop in the middle of a fan-out that would not end by itself.
  session.SetGlobal("x$$", kTwice);
  host.control.stop_after = host.control.questions + 500;
  eval("ReplaceMacros(x$$)");
  EXPECT_EQ(Count(host.outputs, kStopped), 1);
  EXPECT_LT(host.outputs.size(), 1000u);
  EXPECT_LT(host.control.questions, 2000);
  host.outputs.clear();
  EXPECT_EQ(eval("Concat('a', 'b')"), "(unchanged)");
  EXPECT_EQ(host.outputs, (Texts{kStopped, Unresolved("Concat('a', 'b')")}));

  host.control.stop_after = int64_t{1} << 40;
  EXPECT_EQ(eval("Concat('a', 'b')"), "ab");
  EXPECT_EQ(host.continue_questions, 0);  // ShouldContinue is for the passes only
  session.Close();
  EXPECT_EQ(host.control.count(), 1);
}

}  // namespace
}  // namespace quenloft::testing
