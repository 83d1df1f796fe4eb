#include "patching/marker_scanner.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <CorvaskUtils/CorvaskUtils.h>

#include "language/escapes.h"

namespace quenloft {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

constexpr std::array<bool, 256> BuildOpeningBytes() {
  std::array<bool, 256> table{};
  for (const MarkerDelimiter& row : kMarkerDelimiters) {
    table[static_cast<unsigned char>(row.opening.front())] = true;
  }
  return table;
}

// One flag per byte value: true for a byte with which some opening
// delimiter begins. Built at compile time, so no thread can see it half
// filled.
constexpr std::array<bool, 256> kOpeningBytes = BuildOpeningBytes();

constexpr bool OpeningsEndOutsideEscapes() {
  for (const MarkerDelimiter& row : kMarkerDelimiters) {
    if (row.opening.back() == '\\') return false;
  }
  return true;
}
// The fast scanner's rule "a row whose closing search ran off the end has
// no later marker" needs this (see FindClosing).
static_assert(OpeningsEndOutsideEscapes());

constexpr bool RowApplies(const MarkerDelimiter& row, MarkerStyle style) {
  return row.style == MarkerStyleAny || row.style == style;
}

bool EscapePairAt(std::string_view text, size_t q) {
  return text[q] == '\\' && q + 1 < text.size() && IsEscapable(text[q + 1]);
}

bool DelimiterAt(std::string_view text, size_t q, std::string_view delimiter) {
  return text.size() - q >= delimiter.size() &&
         std::memcmp(text.data() + q, delimiter.data(), delimiter.size()) == 0;
}

MarkerSpan TextSpan(size_t begin, size_t end) { return {MarkerSpan::kText, begin, end, 0, 0}; }

MarkerSpan MarkerSpanOf(size_t begin, size_t close, const MarkerDelimiter& row) {
  return {MarkerSpan::kMarker, begin, close + row.closing.size(), begin + row.opening.size(),
          close};
}

// The next position at or after a query where one byte value stands,
// remembered between queries so that a forward walk costs one memchr pass
// over the text however often it asks.
class NextByte {
 public:
  NextByte(std::string_view text, char byte) : text_(text), byte_(byte) {}

  size_t At(size_t q) {
    if (q < from_ || q > at_) {
      from_ = q;
      const void* hit = q < text_.size()
                            ? std::memchr(text_.data() + q, byte_, text_.size() - q)
                            : nullptr;
      at_ = hit == nullptr ? text_.size()
                           : static_cast<size_t>(static_cast<const char*>(hit) - text_.data());
    }
    return at_;
  }

 private:
  std::string_view text_;
  char byte_;
  size_t from_ = kNone;  // the query the answer was found for
  size_t at_ = 0;        // the answer; text_.size() when there is none
};

class FastScanner {
 public:
  FastScanner(std::string_view text, MarkerStyle style)
      : text_(text),
        style_(style),
        text_percent_(text, '%'),
        text_other_(text, OtherOpeningByte(style)),
        inner_percent_(text, '%'),
        inner_backslash_(text, '\\') {}

  std::vector<MarkerSpan> Run() {
    std::vector<MarkerSpan> spans;
    const size_t n = text_.size();
    size_t run = 0;
    size_t p = 0;
    while (n >= kShortestMarker) {
      p = NextCandidate(p);
      if (p > n - kShortestMarker) break;
      const int r = RowAt(p);
      if (r < 0) {
        ++p;
        continue;
      }
      const MarkerDelimiter& row = kMarkerDelimiters[static_cast<size_t>(r)];
      const size_t close = FindClosing(p + row.opening.size(), static_cast<size_t>(r));
      if (close == kNone) {
        p += 2;  // the opening delimiter stays text
        continue;
      }
      if (run < p) spans.push_back(TextSpan(run, p));
      spans.push_back(MarkerSpanOf(p, close, row));
      p = run = close + row.closing.size();
    }
    if (run < n) spans.push_back(TextSpan(run, n));
    return spans;
  }

 private:
  // The first byte of the one row besides "%%%" that the style accepts;
  // '%' again for MarkerStyleAny.
  static char OtherOpeningByte(MarkerStyle style) {
    for (const MarkerDelimiter& row : kMarkerDelimiters) {
      if (row.style != MarkerStyleAny && row.style == style) return row.opening.front();
    }
    return '%';
  }

  size_t NextCandidate(size_t p) {
    const size_t percent = text_percent_.At(p);
    return style_ == MarkerStyleAny ? percent : std::min(percent, text_other_.At(p));
  }

  // The row whose opening delimiter stands at p, or -1.
  int RowAt(size_t p) const {
    const size_t remaining = text_.size() - p;
    for (size_t r = 0; r < kMarkerDelimiters.size(); ++r) {
      const MarkerDelimiter& row = kMarkerDelimiters[r];
      if (RowApplies(row, style_) && remaining >= row.opening.size() + row.closing.size() &&
          DelimiterAt(text_, p, row.opening)) {
        return static_cast<int>(r);
      }
    }
    return -1;
  }

  // The position of the closing delimiter of row r for a marker whose inner
  // text begins at q, or kNone. Every closing delimiter begins with '%' and
  // every escape pair with '\', so the walk jumps between those two bytes.
  //
  // Once a search for row r has run off the end, no later marker of that
  // row can end: a later walk starts right after an opening delimiter,
  // whose last byte is no backslash, so the failed walk passed through that
  // same position and went on exactly as the new one would.
  size_t FindClosing(size_t q, size_t r) {
    if (dead_rows_[r]) return kNone;
    const std::string_view closing = kMarkerDelimiters[r].closing;
    const size_t n = text_.size();
    while (q < n) {
      const size_t c = std::min(inner_percent_.At(q), inner_backslash_.At(q));
      if (c >= n) break;
      if (EscapePairAt(text_, c)) {
        q = c + 2;
      } else if (DelimiterAt(text_, c, closing)) {
        return c;
      } else {
        q = c + 1;
      }
    }
    dead_rows_[r] = true;
    return kNone;
  }

  std::string_view text_;
  MarkerStyle style_;
  NextByte text_percent_;
  NextByte text_other_;
  NextByte inner_percent_;
  NextByte inner_backslash_;
  std::array<bool, kMarkerDelimiters.size()> dead_rows_{};
};

}  // namespace

MarkerStyle MarkerStyleOfFileName(const char* name) {
  if (name == nullptr || *name == '\0') return MarkerStyleAny;
  std::string extension;
  SplitPathName(name, nullptr, nullptr, &extension);
  const std::string lower = ToLowerAscii(extension.c_str());
  for (const FileTypeExtension& entry : kFileTypeExtensions) {
    if (lower == entry.extension) return entry.style;
  }
  return MarkerStyleAny;
}

std::vector<MarkerSpan> ScanMarkers(std::string_view text, MarkerStyle style) {
  return FastScanner(text, style).Run();
}

// Literally: step one byte at a time, try every row at every flagged byte,
// walk each marker byte by byte.
std::vector<MarkerSpan> ScanMarkersReference(std::string_view text, MarkerStyle style) {
  std::vector<MarkerSpan> spans;
  const size_t n = text.size();
  size_t run = 0;
  size_t p = 0;
  while (p < n) {
    const MarkerDelimiter* found = nullptr;
    if (kOpeningBytes[static_cast<unsigned char>(text[p])] && n - p >= kShortestMarker) {
      for (const MarkerDelimiter& row : kMarkerDelimiters) {
        if (n - p >= row.opening.size() + row.closing.size() && DelimiterAt(text, p, row.opening) &&
            RowApplies(row, style)) {
          found = &row;
          break;
        }
      }
    }
    if (found == nullptr) {
      ++p;
      continue;
    }
    size_t close = kNone;
    for (size_t q = p + found->opening.size(); q < n;) {
      if (EscapePairAt(text, q)) {
        q += 2;
      } else if (DelimiterAt(text, q, found->closing)) {
        close = q;
        break;
      } else {
        ++q;
      }
    }
    if (close == kNone) {
      p += 2;
      continue;
    }
    if (run < p) spans.push_back(TextSpan(run, p));
    spans.push_back(MarkerSpanOf(p, close, *found));
    p = run = close + found->closing.size();
  }
  if (run < n) spans.push_back(TextSpan(run, n));
  return spans;
}

}  // namespace quenloft
