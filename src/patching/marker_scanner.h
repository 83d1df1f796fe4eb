// Where macros stand in a template: the marker delimiters by file type and
// the scanner that cuts a text into plain-text runs and markers.
//
// A marker is an opening delimiter, the inner text and the closing
// delimiter of the same row. Inside a marker a backslash followed by "%",
// "\", '"' or "'" is an escape pair and never begins the closing delimiter;
// the first closing delimiter of the marker's own row ends it (markers do
// not nest, quotes protect nothing). An opening delimiter without a closing
// one stays plain text and scanning resumes two bytes after it. Text
// outside markers is never altered.
#ifndef QUENLOFT_PATCHING_MARKER_SCANNER_H
#define QUENLOFT_PATCHING_MARKER_SCANNER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "quenloft/conventions.h"

namespace quenloft {

// ";%" plus "%;": no marker starts where fewer bytes remain.
inline constexpr size_t kShortestMarker = 4;

// The file type of a path by its extension (ASCII letters folded); null or
// empty gives MarkerStyleAny.
MarkerStyle MarkerStyleOfFileName(const char* name);

// One piece of a scanned text, as offsets into it. Adjacent text is always
// one span: an unterminated opening delimiter joins the run around it.
struct MarkerSpan {
  enum Kind : uint8_t { kText, kMarker };
  Kind kind;
  size_t begin;        // first byte (of the marker: its opening delimiter)
  size_t end;          // one past the last byte
  size_t inner_begin;  // markers only: the text between the delimiters
  size_t inner_end;

  bool operator==(const MarkerSpan&) const = default;
};

// The fast scanner, one span at a time, so that a caller can act on each
// piece as it is found and keep none of them: every opening delimiter
// holds a '%', so the scan jumps from '%' to '%' with memchr and confirms
// a delimiter around each with a byte compare. Linear in the text size; a
// text without '%' costs one memchr pass. The text must outlive the
// scanner.
class MarkerScanner {
 public:
  MarkerScanner(std::string_view text, MarkerStyle style);

  // The next span in document order; false once the text is cut.
  bool Next(MarkerSpan* span);

 private:
  // The next position at or after a query where one byte value stands,
  // remembered between queries so that a forward walk costs one memchr
  // pass over the text however often it asks.
  class NextByte {
   public:
    NextByte(std::string_view text, char byte) : text_(text), byte_(byte) {}
    size_t At(size_t q);

   private:
    std::string_view text_;
    char byte_;
    size_t from_ = static_cast<size_t>(-1);  // the query answered; none yet: above any
    size_t at_ = 0;  // the answer; text_.size() when there is none
  };

  // The row whose opening delimiter stands at p, or -1.
  int RowAt(size_t p) const;
  // The closing delimiter of row r for a marker whose inner text begins
  // at q, or npos.
  size_t FindClosing(size_t q, size_t r);
  // Tries a marker start at p (not before pos_): true with the marker
  // queued; otherwise pos_ moves past p as the rules say.
  bool TryAt(size_t p);

  std::string_view text_;
  MarkerStyle style_;
  // The bytes before the '%' of the one row besides "%%%" that the style
  // accepts ("<!--" for markup); 0 for MarkerStyleAny.
  size_t lead_ = 0;
  size_t pos_ = 0;  // no marker starts before this
  size_t run_ = 0;  // start of the text not yet handed out
  bool queued_ = false;
  MarkerSpan marker_{};  // queued behind the text before it
  NextByte text_percent_;
  NextByte inner_percent_;
  NextByte inner_backslash_;
  std::array<bool, kMarkerDelimiters.size()> dead_rows_{};
};

// All spans of a text at once, by MarkerScanner.
std::vector<MarkerSpan> ScanMarkers(std::string_view text, MarkerStyle style);

// The plain byte-by-byte scanner the fast one must always agree with.
std::vector<MarkerSpan> ScanMarkersReference(std::string_view text, MarkerStyle style);

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_MARKER_SCANNER_H
