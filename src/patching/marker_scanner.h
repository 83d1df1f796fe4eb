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

// The fast scanner: jumps between candidate bytes with memchr and confirms
// with a byte compare; linear in the text size.
std::vector<MarkerSpan> ScanMarkers(std::string_view text, MarkerStyle style);

// The plain byte-by-byte scanner the fast one must always agree with.
std::vector<MarkerSpan> ScanMarkersReference(std::string_view text, MarkerStyle style);

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_MARKER_SCANNER_H
