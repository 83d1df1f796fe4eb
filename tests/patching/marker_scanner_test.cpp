// The marker scanner: file types, the delimiter rows and the cutting of
// texts into plain-text runs and markers. Every parse case runs through the
// fast scanner and the byte-by-byte reference, which must agree.
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
      {nullptr, MarkerStyleAny},
      {"", MarkerStyleAny},
      {"a.htm", MarkerStyleMarkup},
      {"FILE.HTM", MarkerStyleMarkup},
      {"x.html", MarkerStyleMarkup},
      {"x.htx", MarkerStyleMarkup},
      {"toc.hhc", MarkerStyleMarkup},
      {"index.HhK", MarkerStyleMarkup},
      {"d.xml", MarkerStyleMarkup},
      {"s.xsl", MarkerStyleMarkup},
      {"s.js", MarkerStyleScript},
      {"s.CSS", MarkerStyleScript},
      {"a.ini", MarkerStyleIni},
      {"a.hhs", MarkerStyleIni},
      {"a.res", MarkerStyleIni},
      {"a.txt", MarkerStyleAny},
      {"noextension", MarkerStyleAny},
      {"a.htmx", MarkerStyleAny},
      {"a.ht", MarkerStyleAny},
      {"/srv/skin.htm/readme", MarkerStyleAny},  // the folder's dot is no extension
      {"C:\\skins\\default\\page.htm", MarkerStyleMarkup},
      {"/srv/skins/default/main.js", MarkerStyleScript},
      {"archive.tar.ini", MarkerStyleIni},
      {"a.\xC3\x84htm", MarkerStyleAny},  // only ASCII letters fold
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MarkerStyleOfFileName(c.name), c.style) << (c.name ? c.name : "(null)");
  }
}

TEST(OpeningByteTable, FlagsExactlyTheFirstBytesOfTheOpenings) {
  const std::array<bool, 256>& table = OpeningByteTable();
  for (int b = 0; b < 256; ++b) {
    const bool expected = b == '%' || b == '<' || b == '/' || b == ';';
    EXPECT_EQ(table[static_cast<size_t>(b)], expected) << b;
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
    {"a.txt", "%%%Output('a')%%%", "{Output('a')}"},
    {"FILE.HTM", "<!--%v%-->", "{v}"},
    // Each type accepts its own row and row 0, never a foreign row.
    {"a.css", "/*%a%*/<!--%b%-->;%c%;%%%d%%%", "{a}[<!--%b%-->;%c%;]{d}"},
    {"a.js", "/*%a%*/", "{a}"},
    {"a.ini", "/*%a%*/<!--%b%-->;%c%;%%%d%%%", "[/*%a%*/<!--%b%-->]{c}{d}"},
    {"a.hhs", ";%c%;", "{c}"},
    {"a.res", ";%c%;", "{c}"},
    {"a.htm", "/*%a%*/;%c%;", "[/*%a%*/;%c%;]"},
    {"a.txt", "/*%a%*/;%c%;<!--%b%-->", "[/*%a%*/;%c%;<!--%b%-->]"},
    // Markers follow one another; the text between is plain.
    {"a.txt", "%%%a%%%b%%%c%%%", "{a}[b]{c}"},
    {"a.htm", "<!--%a%-->b<!--%c%-->d", "{a}[b]{c}[d]"},
    // The first closing delimiter of the marker's row ends it.
    {"a.htm", "<!--%Output('%-->')%-->", "{Output('}[')%-->]"},
    {"a.htm", "<!--%a%%%b%-->", "{a%%%b}"},
    {"a.htm", "<!--%a;%%;b%-->", "{a;%%;b}"},
    // Escape pairs never begin the closing delimiter.
    {"a.txt", "%%%x\\%%%%", "{x\\%}"},
    {"a.htm", "<!--%a\\%-->b%-->", "{a\\%-->b}"},
    {"a.htm", "<!--%a\\\\%-->b%-->", "{a\\\\}[b%-->]"},
    {"a.htm", "<!--%a\\\"%-->", "{a\\\"}"},
    {"a.htm", "<!--%a\\'%-->", "{a\\'}"},
    {"a.htm", "<!--%a\\x%-->", "{a\\x}"},
    {"a.txt", "%%%\\\\\\%%%%", "{\\\\\\%}"},
    {"a.txt", "%%%ab\\", "[%%%ab\\]"},
    // Quotes protect nothing.
    {"a.txt", "%%%'a%%%'%%%", "{'a}['%%%]"},
    // Lines do not matter.
    {"a.htm", "<!--%a\r\nb\nc%-->", "{a\r\nb\nc}"},
    // Too short for the row: plain text.
    {"a.htm", "<!--%-->", "[<!--%-->]"},
    {"a.htm", "<!--%%-->", "{}"},
    {"a.txt", "%%%%%%", "{}"},
    {"a.txt", "%%%%%", "[%%%%%]"},
    {"a.ini", ";%%;", "{}"},
    {"a.ini", ";%%", "[;%%]"},
    {"a.css", "/*%%*/", "{}"},
    // Unterminated openings stay text; scanning resumes two bytes later.
    {"a.htm", "<!--%a %%%b%%%", "[<!--%a ]{b}"},
    {"a.htm", "x<!--%Output('a')", "[x<!--%Output('a')]"},
    {"a.ini", ";%%%a%%%", "[;%%%a%%%]"},
    {"a.ini", ";%%%%a%%%", "[;%]{a}"},
    {"a.txt", "%%%%%%%", "{}[%]"},
    {"a.htm", "<!--%<!--%a%-->", "{<!--%a}"},
    {"a.htm", "<!--%x <!--%y", "[<!--%x <!--%y]"},
    // Short and empty texts, single bytes around markers.
    {"a.txt", "", ""},
    {"a.txt", "%", "[%]"},
    {"a.txt", "%%%", "[%%%]"},
    {"a.ini", ";%;", "[;%;]"},
    {"a.txt", "a%%%b%%%c%%%d%%%e", "[a]{b}[c]{d}[e]"},
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

TEST(ScanMarkers, MarkerSpanCoversItsDelimiters) {
  const std::string_view text = "ab<!--%in%-->cd";
  const std::vector<MarkerSpan> spans = ScanMarkers(text, MarkerStyleMarkup);
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(text.substr(spans[1].begin, spans[1].end - spans[1].begin), "<!--%in%-->");
}

// Texts built from the bytes that matter to delimiters and escapes, so that
// near-misses of every kind are frequent.
std::string RandomText(std::mt19937& random, size_t max_length) {
  static constexpr char kAlphabet[] = "%%%%<!-/*;\\\\\"'a\n";
  std::uniform_int_distribution<size_t> length(0, max_length);
  std::uniform_int_distribution<size_t> pick(0, sizeof(kAlphabet) - 2);
  std::string text(length(random), ' ');
  for (char& c : text) c = kAlphabet[pick(random)];
  return text;
}

TEST(ScanMarkers, FastAgreesWithReferenceOnGeneratedTexts) {
  std::mt19937 random(20240611);
  for (int i = 0; i < 20000; ++i) {
    const std::string text = RandomText(random, 48);
    for (MarkerStyle style :
         {MarkerStyleAny, MarkerStyleMarkup, MarkerStyleScript, MarkerStyleIni}) {
      const std::vector<MarkerSpan> fast = ScanMarkers(text, style);
      ASSERT_EQ(fast, ScanMarkersReference(text, style)) << style << ": " << text;
      ExpectWellFormed(text, fast);
    }
  }
}

// Long texts with runs of unterminated openings, backslashes and markers.
TEST(ScanMarkers, FastAgreesWithReferenceOnLongTexts) {
  std::mt19937 random(7);
  const char* pieces[] = {"<!--%", "%-->", "%%%", "\\", "\\\\", "\\%", ";%", "%;", "/*%",
                          "%*/",   "text", "'",   "%"};
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  for (int i = 0; i < 300; ++i) {
    std::string text;
    for (int k = 0; k < 400; ++k) text += pieces[pick(random)];
    for (MarkerStyle style :
         {MarkerStyleAny, MarkerStyleMarkup, MarkerStyleScript, MarkerStyleIni}) {
      ASSERT_EQ(ScanMarkers(text, style), ScanMarkersReference(text, style)) << text;
    }
  }
}

}  // namespace
}  // namespace quenloft
