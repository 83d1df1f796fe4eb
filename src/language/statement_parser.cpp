#include "language/statement_parser.h"

#include "language/escapes.h"

namespace quenloft {
namespace {

constexpr size_t kUnset = std::string_view::npos;

// True when a backslash at i begins an escape pair within text.
bool IsEscapePair(std::string_view text, size_t i) {
  return text[i] == '\\' && i + 1 < text.size() && IsEscapable(text[i + 1]);
}

// The bytes from first to last, both included; empty when first > last.
std::string_view Span(std::string_view text, size_t first, size_t last) {
  if (first == kUnset || last == kUnset || first > last) return {};
  return TrimStatementSpace(text.substr(first, last - first + 1));
}

// The bytes that mean something to the scan outside quotes; a run of any
// other bytes is stepped over in a tight loop.
constexpr bool IsLandmark(char c) {
  return c == '\\' || IsQuoteByte(c) || c == '=' || c == '.' || c == '(' || c == ')';
}

// The first byte from i on that may end the quote (or begin an escape
// pair inside it); text.size() when there is none.
size_t SkipQuoted(std::string_view text, size_t i, char quote) {
  while (i < text.size() && text[i] != quote && text[i] != '\\') ++i;
  return i;
}

// Positions found by the scan, all in the trimmed text.
struct Landmarks {
  size_t assign = kUnset;  // last "=" outside quotes
  size_t dot = kUnset;     // first "." before any "("
  size_t open = kUnset;    // first "("
  size_t close = kUnset;   // last ")" after the first "("
};

Landmarks Scan(std::string_view text) {
  Landmarks at;
  char quote = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (quote != 0) {
      i = SkipQuoted(text, i, quote);
    } else {
      while (i < text.size() && !IsLandmark(text[i])) ++i;
    }
    if (i == text.size()) break;
    const char c = text[i];
    if (IsEscapePair(text, i)) {
      ++i;  // neither byte of the pair means anything
      continue;
    }
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    switch (c) {
      case '"':
      case '\'':
        quote = c;
        break;
      case '=':
        at.assign = i;
        break;
      case '.':
        if (at.dot == kUnset && at.open == kUnset) at.dot = i;
        break;
      case '(':
        if (at.open == kUnset) at.open = i;
        break;
      case ')':
        if (at.open != kUnset) at.close = i;
        break;
      default:
        break;
    }
  }
  return at;
}

// Splits the list text at commas outside quotes. The last byte is never a
// separator, so "a," is one argument; an empty argument before a comma is
// kept, an empty last one is not.
void SplitArguments(std::string_view list, std::vector<std::string_view>* out) {
  const size_t last = list.size() - 1;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < last; ++i) {
    if (quote != 0) {
      i = SkipQuoted(list.substr(0, last), i, quote);
      if (i == last) break;
    }
    const char c = list[i];
    if (IsEscapePair(list, i)) {
      ++i;
      continue;
    }
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (IsQuoteByte(c)) {
      quote = c;
    } else if (c == ',') {
      out->push_back(TrimStatementSpace(list.substr(start, i - start)));
      start = i + 1;
    }
  }
  const std::string_view tail = Span(list, start, last);
  if (!tail.empty()) out->push_back(tail);
}

}  // namespace

void ParseStatement(std::string_view text, StatementParts* parts) {
  parts->clear();
  const std::string_view c = TrimStatementSpace(text);
  if (c.empty()) return;
  const Landmarks at = Scan(c);

  // Span() takes an unset bound (also 0 - 1) as an empty span.
  if (at.assign != kUnset) parts->target = Span(c, 0, at.assign - 1);

  const size_t call_start = at.assign == kUnset ? 0 : at.assign + 1;
  const size_t name_end = at.open == kUnset ? c.size() - 1 : at.open - 1;

  if (at.dot == kUnset) {
    parts->name = Span(c, call_start, name_end);
  } else if (at.dot > call_start) {
    // A dot at or before the start of the call part (in the target, or the
    // call's first byte) leaves name and member empty.
    parts->name = Span(c, call_start, at.dot - 1);
    parts->member = Span(c, at.dot + 1, name_end);
  }

  if (at.open != kUnset && at.close != kUnset && at.close - at.open > 1) {
    SplitArguments(c.substr(at.open + 1, at.close - at.open - 1), &parts->arguments);
  }
}

}  // namespace quenloft
