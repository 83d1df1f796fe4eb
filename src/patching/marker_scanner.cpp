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

// Every opening delimiter holds a '%', after a lead of bytes that are not
// '%' ("<!--" before "<!--%"; none before "%%%"): what lets the scanner
// find marker starts from the '%'s alone. A start at p has its first '%'
// at p (row "%%%") or at p + lead (the style's other row). Taking the '%'s
// in order, and at each the start lead bytes before it first, meets the
// starts in order: a lead holds no '%', so no start can lie between.
constexpr bool OpeningsFoundFromTheirPercent() {
  for (const MarkerDelimiter& row : kMarkerDelimiters) {
    if (row.opening.find('%') == std::string_view::npos) return false;
    if (row.style == MarkerStyleAny && row.opening.front() != '%') return false;
    size_t rows_of_style = 0;
    for (const MarkerDelimiter& other : kMarkerDelimiters) {
      if (other.style == row.style) ++rows_of_style;
    }
    if (row.style != MarkerStyleAny && rows_of_style != 1) return false;
  }
  return true;
}
static_assert(OpeningsFoundFromTheirPercent());

// The lead of the one row besides "%%%" that a style accepts; 0 for
// MarkerStyleAny.
size_t LeadOf(MarkerStyle style) {
  for (const MarkerDelimiter& row : kMarkerDelimiters) {
    if (row.style != MarkerStyleAny && row.style == style) return row.opening.find('%');
  }
  return 0;
}

}  // namespace

size_t MarkerScanner::NextByte::At(size_t q) {
  if (q < from_ || q > at_) {
    from_ = q;
    const void* hit =
        q < text_.size() ? std::memchr(text_.data() + q, byte_, text_.size() - q) : nullptr;
    at_ = hit == nullptr ? text_.size()
                         : static_cast<size_t>(static_cast<const char*>(hit) - text_.data());
  }
  return at_;
}

MarkerScanner::MarkerScanner(std::string_view text, MarkerStyle style)
    : text_(text),
      style_(style),
      lead_(LeadOf(style)),
      text_percent_(text, '%'),
      inner_percent_(text, '%'),
      inner_backslash_(text, '\\') {}

bool MarkerScanner::Next(MarkerSpan* span) {
  if (queued_) {
    queued_ = false;
    *span = marker_;
    return true;
  }
  const size_t n = text_.size();
  while (n >= kShortestMarker && pos_ <= n - kShortestMarker) {
    const size_t q = text_percent_.At(pos_);
    if (q >= n) break;
    // The start whose '%' is at q after a lead, then the one at q itself.
    if (lead_ != 0 && q >= pos_ + lead_ && TryAt(q - lead_)) break;
    if (q >= pos_ && TryAt(q)) break;
    if (pos_ <= q) pos_ = q + 1;
  }
  if (queued_) {
    // A text run before the marker goes first.
    if (run_ < marker_.begin) {
      *span = TextSpan(run_, marker_.begin);
    } else {
      queued_ = false;
      *span = marker_;
    }
    run_ = marker_.end;
    return true;
  }
  if (run_ < n) {
    *span = TextSpan(run_, n);
    run_ = pos_ = n;
    return true;
  }
  return false;
}

bool MarkerScanner::TryAt(size_t p) {
  const int r = RowAt(p);
  if (r < 0) return false;
  const MarkerDelimiter& row = kMarkerDelimiters[static_cast<size_t>(r)];
  const size_t close = FindClosing(p + row.opening.size(), static_cast<size_t>(r));
  if (close == kNone) {
    pos_ = p + 2;  // the opening delimiter stays text
    return false;
  }
  marker_ = MarkerSpanOf(p, close, row);
  queued_ = true;
  pos_ = marker_.end;
  return true;
}

int MarkerScanner::RowAt(size_t p) const {
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

// Every closing delimiter begins with '%' and every escape pair with '\',
// so the walk jumps between those two bytes.
//
// Once a search for row r has run off the end, no later marker of that
// row can end: a later walk starts right after an opening delimiter, whose
// last byte is no backslash, so the failed walk passed through that same
// position and went on exactly as the new one would.
size_t MarkerScanner::FindClosing(size_t q, size_t r) {
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
  std::vector<MarkerSpan> spans;
  MarkerScanner scanner(text, style);
  for (MarkerSpan span; scanner.Next(&span);) spans.push_back(span);
  return spans;
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
