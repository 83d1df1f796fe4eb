// The marker scanner: file types, and the cutting of texts into plain-text
// runs and markers by the fast scanner, which must always agree with the
// byte-by-byte reference. The table of cuts is
// tests/data/statements/markers.txt.
#include "patching/marker_scanner.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "patching/statement_table.h"

namespace quenloft {
namespace {

// [plain text] and {inner text of a marker}, after checking that the spans
// cover the text in order, no two text runs touch and each marker's inner
// text lies inside it.
std::string Dump(std::string_view text, const std::vector<MarkerSpan>& spans) {
  std::string dump;
  size_t at = 0;
  bool previous_text = false;
  for (const MarkerSpan& span : spans) {
    const bool is_text = span.kind == MarkerSpan::kText;
    EXPECT_TRUE(span.begin == at && span.begin < span.end && !(is_text && previous_text));
    if (is_text) {
      dump += "[" + std::string(text.substr(span.begin, span.end - span.begin)) + "]";
    } else {
      EXPECT_TRUE(span.begin <= span.inner_begin && span.inner_begin <= span.inner_end &&
                  span.inner_end <= span.end);
      dump += "{" + std::string(text.substr(span.inner_begin, span.inner_end - span.inner_begin)) +
              "}";
    }
    previous_text = is_text;
    at = span.end;
  }
  EXPECT_EQ(at, text.size());
  return dump;
}

// The cuts of the table, by the fast scanner and by the reference alike.
TEST(ScanMarkers, CutsTextsAsTabled) {
  const auto rows = quenloft_test::ReadTable(QUENLOFT_TEST_DATA "/statements", "markers.txt");
  ASSERT_FALSE(rows.empty());
  for (const quenloft_test::TableRow& row : rows) {
    SCOPED_TRACE(row.line.where);
    ASSERT_TRUE(row.line.key == "scan" && row.outcomes.size() == 1) << "not a scan row";
    const auto [file, text] = quenloft_test::Split(row.line.text, ' ');
    const MarkerStyle style = MarkerStyleOfFileName(file.c_str());
    const std::vector<MarkerSpan> fast = ScanMarkers(text, style);
    EXPECT_EQ(Dump(text, fast), row.outcomes[0].text);
    EXPECT_EQ(fast, ScanMarkersReference(text, style));
  }
  EXPECT_EQ(MarkerStyleOfFileName(nullptr), MarkerStyleAny);
}

// Texts of single bytes that matter to delimiters and escapes mixed with
// whole delimiters, so that near-misses of every kind are frequent; long
// texts now and then.
TEST(ScanMarkers, FastAgreesWithReferenceOnGeneratedTexts) {
  std::mt19937 random(20240611);
  const char* pieces[] = {"%", "%", "<", "!", "-", "/", "*", ";", "\\", "\"", "'", "a", "\n",
                          "\\\\", "\\%", "<!--%", "%-->", "%%%", ";%", "%;", "/*%", "%*/"};
  std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const size_t length = i % 100 == 0 ? 2000 : random() % 40;
    for (size_t k = 0; k < length; ++k) text += pieces[piece(random)];
    for (MarkerStyle style :
         {MarkerStyleAny, MarkerStyleMarkup, MarkerStyleScript, MarkerStyleIni}) {
      const std::vector<MarkerSpan> fast = ScanMarkers(text, style);
      ASSERT_EQ(fast, ScanMarkersReference(text, style)) << style << ": " << text;
      Dump(text, fast);
      if (::testing::Test::HasFailure()) FAIL() << style << ": " << text;
    }
  }
}

}  // namespace
}  // namespace quenloft
