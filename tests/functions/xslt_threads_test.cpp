// TransformXml on threads at once: the first ones do not race for the
// library's global state, and each transformation's watchdog stops that
// transformation only. What Transform gives and refuses, and its limits as
// a host meets them, are rows of the statement table (transform.txt).
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
  TransformStop stopped = TransformStop::kNone;
};

Outcome Transformed(const std::string& sheet, TransformLimits limits) {
  Outcome outcome;
  outcome.text = TransformXml("<a/>", sheet, limits, &outcome.stopped);
  return outcome;
}

TEST(TransformXml, ThreadsTransformAtOnceAndStopOnlyTheirOwn) {
  std::vector<Outcome> outcomes(6);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    threads.emplace_back([&outcomes, i] {
      const TransformLimits limits = i % 3 == 0 ? TransformLimits{100, 30}
                                     : i % 3 == 1 ? TransformLimits{100, 60000}
                                                  : TransformLimits{60, 60000};
      outcomes[i] = Transformed(i % 3 == 0 ? kForever : kForty, limits);
    });
  }
  for (std::thread& thread : threads) thread.join();
  const TransformStop expected[] = {TransformStop::kTooLong, TransformStop::kNone,
                                    TransformStop::kTooDeep};
  for (size_t i = 0; i < outcomes.size(); ++i) {
    EXPECT_EQ(outcomes[i].stopped, expected[i % 3]) << i;
    EXPECT_EQ(outcomes[i].text, i % 3 == 1 ? std::optional(std::string(41, '.')) : std::nullopt);
  }
}

}  // namespace
}  // namespace quenloft::platform
