// The marker scanner: file types and the cutting of texts into plain-text
// runs and markers, by the fast scanner and the byte-by-byte reference.
#include "patching/marker_scanner.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quenloft {
namespace {

// One line per text: [plain text] and {inner text of a marker}.
std::string Dump(std::string_view text, const std::vector<MarkerSpan>& spans) {
  std::string dump;
  for (const MarkerSpan& span : spans) {
    if (span.kind == MarkerSpan::kText) {
      dump += "[" + std::string(text.substr(span.begin, span.end - span.begin)) + "]";
    } else {
      dump += "{" + std::string(text.substr(span.inner_begin, span.inner_end - span.inner_begin)) +
              "}";
    }
  }
  return dump;
}

// The spans cover the text in order without gaps, no two text runs touch,
// and each marker's inner text lies inside it.
void ExpectWellFormed(std::string_view text, const std::vector<MarkerSpan>& spans) {
  size_t at = 0;
  bool previous_text = false;
  for (const MarkerSpan& span : spans) {
    ASSERT_EQ(span.begin, at);
    ASSERT_LT(span.begin, span.end);
    const bool is_text = span.kind == MarkerSpan::kText;
    ASSERT_FALSE(is_text && previous_text);
    if (!is_text) {
      ASSERT_LE(span.begin, span.inner_begin);
      ASSERT_LE(span.inner_begin, span.inner_end);
      ASSERT_LE(span.inner_end, span.end);
    }
    previous_text = is_text;
    at = span.end;
  }
  ASSERT_EQ(at, text.size());
}

TEST(MarkerStyleOfFileName, ByExtensionFoldingAsciiCase) {
  const struct {
    const char* name;
    MarkerStyle style;
  } cases[] = {
      {nullptr, MarkerStyleAny}, {"FILE.HTM", MarkerStyleMarkup}, {"index.HhK", MarkerStyleMarkup},
      {"s.xsl", MarkerStyleMarkup}, {"s.CSS", MarkerStyleScript}, {"a.hhs", MarkerStyleIni},
      {"a.res", MarkerStyleIni}, {"noextension", MarkerStyleAny}, {"a.htmx", MarkerStyleAny},
      {"/srv/skin.htm/readme", MarkerStyleAny},  // the folder's dot is no extension
      {"C:\\skins\\default\\page.htm", MarkerStyleMarkup},
      {"a.\xC3\x84htm", MarkerStyleAny},  // only ASCII letters fold
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MarkerStyleOfFileName(c.name), c.style) << (c.name ? c.name : "(null)");
  }
}

struct ParseCase {
  const char* file;
  std::string_view text;
  std::string_view dump;
};

// std::string_view literals so that zero bytes stay in the text.
using namespace std::string_view_literals;

const ParseCase kParseCases[] = {
    // Markup markers in a markup file only; "%%%" everywhere.
    {"a.htm", "x <!--%Output('a')%--> y", "[x ]{Output('a')}[ y]"},
    {"a.txt", "x <!--%Output('a')%--> y", "[x <!--%Output('a')%--> y]"},
    {"a.htm", "%%%Output('a')%%%", "{Output('a')}"},
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
    // Quotes protect nothing.
    {"a.txt", "%%%'a%%%'%%%", "{'a}['%%%]"},
    // Lines do not matter.
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

TEST(ScanMarkers, CutsTextsAsTabled) {
  for (const ParseCase& c : kParseCases) {
    SCOPED_TRACE(std::string(c.file) + ": " + std::string(c.text));
    const MarkerStyle style = MarkerStyleOfFileName(c.file);
    const std::vector<MarkerSpan> fast = ScanMarkers(c.text, style);
    const std::vector<MarkerSpan> reference = ScanMarkersReference(c.text, style);
    ExpectWellFormed(c.text, fast);
    EXPECT_EQ(Dump(c.text, fast), c.dump);
    EXPECT_EQ(fast, reference);
  }
}

// Short texts from the bytes that matter to delimiters and escapes, and long
// ones from whole delimiters, so that near-misses of every kind are frequent.
TEST(ScanMarkers, FastAgreesWithReferenceOnGeneratedTexts) {
  std::mt19937 random(20240611);
  static constexpr char kBytes[] = "%%%%<!-/*;\\\\\"'a\n";
  const char* pieces[] = {"<!--%", "%-->", "%%%", "\\", "\\\\", "\\%", ";%", "%;", "/*%",
                          "%*/",   "text", "'",   "%"};
  std::uniform_int_distribution<size_t> length(0, 48);
  std::uniform_int_distribution<size_t> byte(0, sizeof(kBytes) - 2);
  std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
  for (int i = 0; i < 20300; ++i) {
    std::string text;
    if (i < 20000) {
      text.resize(length(random));
      for (char& c : text) c = kBytes[byte(random)];
    } else {
      for (int k = 0; k < 400; ++k) text += pieces[piece(random)];
    }
    for (MarkerStyle style :
         {MarkerStyleAny, MarkerStyleMarkup, MarkerStyleScript, MarkerStyleIni}) {
      const std::vector<MarkerSpan> fast = ScanMarkers(text, style);
      ASSERT_EQ(fast, ScanMarkersReference(text, style)) << style << ": " << text;
      ExpectWellFormed(text, fast);
    }
  }
}

}  // namespace
}  // namespace quenloft
