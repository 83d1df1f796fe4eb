// TransformXml stopped at its limits: a watchdog thread per transformation
// ends one that runs out of time, libxslt one that nests too deep; the
// limits of one transformation do not touch another running beside it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/xslt.h"

namespace quenloft::platform {
namespace {

std::string Sheet(const std::string& body) {
  return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
         "<xsl:output method=\"text\"/><xsl:template match=\"/\"><xsl:call-template name=\"n\">"
         "<xsl:with-param name=\"k\" select=\"40\"/></xsl:call-template></xsl:template>"
         "<xsl:template name=\"n\"><xsl:param name=\"k\"/>" +
         body + "</xsl:template></xsl:stylesheet>";
}
const std::string kDown =
    "<xsl:call-template name=\"n\"><xsl:with-param name=\"k\" select=\"$k - 1\"/>"
    "</xsl:call-template>";
// 2^40 calls: ends only when it is stopped.
const std::string kForever = Sheet("<xsl:if test=\"$k &gt; 0\">" + kDown + kDown + "</xsl:if>");
// Forty levels and done; libxslt counts two for each (the call and the
// template).
const std::string kForty = Sheet("<xsl:if test=\"$k &gt; 0\">" + kDown + "</xsl:if>.");

struct Outcome {
  std::optional<std::string> text;
  TransformStop stopped;
};

Outcome Transformed(const std::string& sheet, TransformLimits limits) {
  Outcome outcome{std::nullopt, TransformStop::kNone};
  outcome.text = TransformXml("<a/>", sheet, limits, &outcome.stopped);
  return outcome;
}

TEST(TransformXml, StopsAtItsLimits) {
  const Outcome forty = Transformed(kForty, {100, 60000});
  EXPECT_EQ(forty.text, std::string(41, '.'));
  EXPECT_EQ(forty.stopped, TransformStop::kNone);
  const Outcome deep = Transformed(kForty, {60, 60000});
  EXPECT_EQ(deep.text, std::nullopt);
  EXPECT_EQ(deep.stopped, TransformStop::kTooDeep);
  const Outcome long_run = Transformed(kForever, {100, 20});
  EXPECT_EQ(long_run.text, std::nullopt);
  EXPECT_EQ(long_run.stopped, TransformStop::kTooLong);
}

// Each watchdog stops its own transformation only.
TEST(TransformXml, WatchdogsOfThreadsStayApart) {
  std::vector<Outcome> outcomes(4);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    threads.emplace_back([&outcomes, i] {
      outcomes[i] = i % 2 == 0 ? Transformed(kForever, {100, 30}) : Transformed(kForty, {100, 60000});
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < outcomes.size(); ++i) {
    EXPECT_EQ(outcomes[i].stopped, i % 2 == 0 ? TransformStop::kTooLong : TransformStop::kNone);
  }
}

}  // namespace
}  // namespace quenloft::platform
