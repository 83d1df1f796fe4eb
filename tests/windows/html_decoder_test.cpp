// HtmlToText of the Windows build, which decodes without libxml2: the
// cases beyond the shared table.
#include <TAVLOR/HtmlPack.h>
#include <gtest/gtest.h>

namespace {

TEST(HtmlDecoder, ReferencesAndTags) {
  struct {
    const char* html;
    const char* text;
  } const cases[] = {
      {"&amp", "&amp"},                                // no ";": text
      {"&nosuch; &AMP;", "&nosuch; &AMP;"},            // unknown, case matters
      {"&euro;&trade;&hellip;", "\xE2\x82\xAC\xE2\x84\xA2\xE2\x80\xA6"},
      {"&#128512;&#x1F600;", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"},
      {"&#0;&#xD800;&#99999999999;", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"&#;&#x;", "&#;&#x;"},
      {"&#65", "A"},
      {"a < b > c", "a < b > c"},
      {"<a href=\"x>y\" title='>'>link</a>", "link"},
      {"<SCRIPT type=\"t\">if (a<b) {}</SCRIPT>after", "after"},
      {"<scripts>kept</scripts>", "kept"},
      {"<style>p{}", ""},
      {"x<!-- never closed", "x"},
      {"<br/>one<br>two", "onetwo"},
      {"<!DOCTYPE html><?xml version=\"1.0\"?>body", "body"},
  };
  for (const auto& c : cases) EXPECT_EQ(CHtmlPack::HtmlToText(c.html), c.text) << c.html;
}

}  // namespace
