// HTML to text without libxml2 (the Windows build): one forward pass that
// drops tags, comments and the contents of script and style elements and
// decodes character references, named and numeric, to UTF-8. It follows
// what the HTML parser gives elsewhere: unknown references and a "<" that
// begins no tag stay as written.
#include <cstring>
#include <string_view>

#include "TAVLOR/HtmlPack.h"
#include "html_entities.h"

namespace {

constexpr uint32_t kReplacementCharacter = 0xFFFD;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(text[i]) != prefix[i]) return false;
  return true;
}

void AppendUtf8(uint32_t code, std::string* out) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    code = kReplacementCharacter;
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// A reference at the start of text ("&..."): appends its character and
// returns the bytes it takes, or 0 when it is none (the "&" is then text).
size_t DecodeReference(std::string_view text, std::string* out) {
  size_t i = 1;
  if (i < text.size() && text[i] == '#') {
    ++i;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    const size_t digits_start = i;
    uint32_t code = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      uint32_t digit;
      if (IsAsciiDigit(c)) digit = static_cast<uint32_t>(c - '0');
      else if (hex && LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f')
        digit = static_cast<uint32_t>(LowerAscii(c) - 'a' + 10);
      else break;
      // Saturates above the last code point: the result is then invalid.
      if (code <= 0x10FFFF) code = code * (hex ? 16 : 10) + digit;
    }
    if (i == digits_start) return 0;
    if (i < text.size() && text[i] == ';') ++i;
    AppendUtf8(code, out);
    return i;
  }
  while (i < text.size() && (IsAsciiLetter(text[i]) || IsAsciiDigit(text[i]))) ++i;
  if (i == 1 || i >= text.size() || text[i] != ';') return 0;
  const uint32_t code = tavlor::FindNamedEntity(text.substr(1, i - 1));
  if (code == 0) return 0;
  AppendUtf8(code, out);
  return i + 1;
}

// The end of the tag that starts text ("<" and a letter or "/"), past its
// ">"; quoted attribute values may hold ">".
size_t TagEnd(std::string_view text) {
  char quote = '\0';
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != '\0') {
      if (c == quote) quote = '\0';
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return text.size();
}

// What an element whose contents are no readable text ends with.
std::string_view RawTextEnd(std::string_view tag) {
  if (StartsWithNoCase(tag, "<script") &&
      (tag.size() == 7 || !IsAsciiLetter(tag[7]))) return "</script";
  if (StartsWithNoCase(tag, "<style") && (tag.size() == 6 || !IsAsciiLetter(tag[6])))
    return "</style";
  return {};
}

size_t FindNoCase(std::string_view text, std::string_view lower_needle, size_t from) {
  for (size_t i = from; i + lower_needle.size() <= text.size(); ++i) {
    if (LowerAscii(text[i]) == lower_needle[0] && StartsWithNoCase(text.substr(i), lower_needle))
      return i;
  }
  return std::string_view::npos;
}

}  // namespace

std::string CHtmlPack::HtmlToText(const char* html) {
  if (html == nullptr) return {};
  const std::string_view text(html);
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t special = text.find_first_of("<&", i);
    if (special == std::string_view::npos) {
      out.append(text, i);
      break;
    }
    out.append(text, i, special - i);
    i = special;
    const std::string_view rest = text.substr(i);
    if (rest[0] == '&') {
      const size_t used = DecodeReference(rest, &out);
      if (used == 0) out.push_back('&');
      i += used == 0 ? 1 : used;
      continue;
    }
    if (rest.substr(0, 4) == "<!--") {
      const size_t close = text.find("-->", i + 4);
      i = close == std::string_view::npos ? text.size() : close + 3;
      continue;
    }
    const char next = rest.size() > 1 ? rest[1] : '\0';
    if (!IsAsciiLetter(next) && next != '/' && next != '!' && next != '?') {
      out.push_back('<');  // a "<" that begins no tag is text
      ++i;
      continue;
    }
    const size_t tag_length = TagEnd(rest);
    const std::string_view end_tag = RawTextEnd(rest.substr(0, tag_length));
    i += tag_length;
    if (!end_tag.empty()) {
      const size_t close = FindNoCase(text, end_tag, i);
      i = close == std::string_view::npos ? text.size() : close + TagEnd(text.substr(close));
    }
  }
  return out;
}
