// The marker scanner: file types, and the cutting of texts into plain-text
// runs and markers by the fast scanner, which must always agree with the
// byte-by-byte reference.
#include "patching/marker_scanner.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quenloft {
namespace {

using namespace std::string_view_literals;  // zero bytes stay in the texts

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

TEST(MarkerStyleOfFileName, ByExtensionFoldingAsciiCase) {
  const std::pair<const char*, MarkerStyle> cases[] = {
      {nullptr, MarkerStyleAny}, {"FILE.HTM", MarkerStyleMarkup}, {"index.HhK", MarkerStyleMarkup},
      {"s.xsl", MarkerStyleMarkup}, {"s.CSS", MarkerStyleScript}, {"a.hhs", MarkerStyleIni},
      {"a.res", MarkerStyleIni}, {"noextension", MarkerStyleAny}, {"a.htmx", MarkerStyleAny},
      {"/srv/skin.htm/readme", MarkerStyleAny},  // the folder's dot is no extension
      {"C:\\skins\\default\\page.htm", MarkerStyleMarkup},
      {"a.\xC3\x84htm", MarkerStyleAny},  // only ASCII letters fold
  };
  for (const auto& [name, style] : cases) {
    EXPECT_EQ(MarkerStyleOfFileName(name), style) << (name ? name : "(null)");
  }
}

TEST(ScanMarkers, CutsTextsAsTabled) {
  const struct {
    const char* file;
    std::string_view text;
    std::string_view dump;
  } cases[] = {
      // Markup markers in a markup file only; "%%%" everywhere.
      {"a.htm", "x <!--%Output('a')%--> y", "[x ]{Output('a')}[ y]"},
      {"a.txt", "x <!--%Output('a')%--> y", "[x <!--%Output('a')%--> y]"},
      // Each type accepts its own row and row 0, never a foreign row.
      {"a.css", "/*%a%*/<!--%b%-->;%c%;%%%d%%%", "{a}[<!--%b%-->;%c%;]{d}"},
      {"a.ini", "/*%a%*/<!--%b%-->;%c%;%%%d%%%", "[/*%a%*/<!--%b%-->]{c}{d}"},
      {"a.htm", "/*%a%*/;%c%;", "[/*%a%*/;%c%;]"},
      // Markers follow one another; the text between is plain.
      {"a.txt", "%%%a%%%b%%%c%%%", "{a}[b]{c}"},
      // The first closing delimiter of the marker's row ends it.
      {"a.htm", "<!--%Output('%-->')%-->", "{Output('}[')%-->]"},
      {"a.htm", "<!--%a%%%b%-->", "{a%%%b}"},
      // Escape pairs never begin the closing delimiter.
      {"a.txt", "%%%x\\%%%%", "{x\\%}"},
      {"a.htm", "<!--%a\\%-->b%-->", "{a\\%-->b}"},
      {"a.htm", "<!--%a\\\\%-->b%-->", "{a\\\\}[b%-->]"},
      {"a.txt", "%%%ab\\", "[%%%ab\\]"},
      // Quotes protect nothing; lines do not matter.
      {"a.txt", "%%%'a%%%'%%%", "{'a}['%%%]"},
      {"a.htm", "<!--%a\r\nb\nc%-->", "{a\r\nb\nc}"},
      // Too short for the row: plain text.
      {"a.htm", "<!--%-->", "[<!--%-->]"},
      {"a.htm", "<!--%%-->", "{}"},
      {"a.txt", "%%%%%", "[%%%%%]"},
      {"a.ini", ";%%", "[;%%]"},
      // Unterminated openings stay text; scanning resumes two bytes later.
      {"a.htm", "<!--%a %%%b%%%", "[<!--%a ]{b}"},
      {"a.ini", ";%%%a%%%", "[;%%%a%%%]"},
      {"a.ini", ";%%%%a%%%", "[;%]{a}"},
      {"a.txt", "%%%%%%%", "{}[%]"},
      {"a.htm", "<!--%<!--%a%-->", "{<!--%a}"},
      {"a.txt", "", ""},
      // Zero bytes and high bytes are ordinary text.
      {"a.txt", "\0%%%a\0b%%%\0"sv, "[\0]{a\0b}[\0]"sv},
      {"a.htm", "\xC3\xA9<!--%\xC3\xA9%-->", "[\xC3\xA9]{\xC3\xA9}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + std::string(c.text));
    const MarkerStyle style = MarkerStyleOfFileName(c.file);
    const std::vector<MarkerSpan> fast = ScanMarkers(c.text, style);
    EXPECT_EQ(Dump(c.text, fast), c.dump);
    EXPECT_EQ(fast, ScanMarkersReference(c.text, style));
  }
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
