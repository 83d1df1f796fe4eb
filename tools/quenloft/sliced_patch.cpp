#include "sliced_patch.h"

#include <cstring>
#include <optional>

#include "quenloft/com_ptr.h"
#include "quenloft/string_object.h"
#include "skin_text.h"

namespace quenloft_tool {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// The shortest marker of any row: no opening counts closer to the end.
constexpr size_t ShortestMarker() {
  size_t shortest = kNone;
  for (const auto& row : quenloft::kMarkerDelimiters) {
    shortest = std::min(shortest, row.opening.size() + row.closing.size());
  }
  return shortest;
}

// What the cut rule below relies on: each opening holds a '%' after a
// lead of other bytes (none for the row every type accepts), each type
// accepts one row besides that one, and no opening ends in a backslash.
constexpr bool OpeningsFoundFromTheirPercent() {
  for (const auto& row : quenloft::kMarkerDelimiters) {
    const size_t percent = row.opening.find('%');
    if (percent == std::string_view::npos || row.opening.back() == '\\') return false;
    if (row.style == quenloft::MarkerStyleAny && percent != 0) return false;
    size_t rows_of_style = 0;
    for (const auto& other : quenloft::kMarkerDelimiters) rows_of_style += other.style == row.style;
    if (row.style != quenloft::MarkerStyleAny && rows_of_style != 1) return false;
  }
  return true;
}
static_assert(OpeningsFoundFromTheirPercent());

bool Applies(const quenloft::MarkerDelimiter& row, quenloft::MarkerStyle style) {
  return row.style == quenloft::MarkerStyleAny || row.style == style;
}

bool IsEscapable(char c) { return c == '%' || c == '\\' || c == '"' || c == '\''; }

bool DelimiterAt(std::string_view text, size_t q, std::string_view delimiter) {
  return text.size() - q >= delimiter.size() &&
         std::memcmp(text.data() + q, delimiter.data(), delimiter.size()) == 0;
}

size_t LeadOf(quenloft::MarkerStyle style) {
  for (const auto& row : quenloft::kMarkerDelimiters) {
    if (row.style != quenloft::MarkerStyleAny && row.style == style) return row.opening.find('%');
  }
  return 0;
}

}  // namespace

MarkerCuts::MarkerCuts(std::string_view text, quenloft::MarkerStyle style)
    : text_(text), style_(style), lead_(LeadOf(style)) {}

bool MarkerCuts::NextMarker(size_t* inner_begin, size_t* inner_end, size_t* end) {
  const size_t n = text_.size();
  // Every start of a marker has its '%' at the start or a lead after it;
  // taking the '%'s in order, and at each the start a lead before it
  // first, meets the starts in order.
  while (n >= ShortestMarker() && pos_ <= n - ShortestMarker()) {
    const void* hit = std::memchr(text_.data() + pos_, '%', n - pos_);
    if (hit == nullptr) break;
    const auto q = static_cast<size_t>(static_cast<const char*>(hit) - text_.data());
    if ((lead_ != 0 && q >= pos_ + lead_ && TryAt(q - lead_, inner_begin, inner_end)) ||
        (q >= pos_ && TryAt(q, inner_begin, inner_end))) {
      *end = pos_;
      return true;
    }
    if (pos_ <= q) pos_ = q + 1;
  }
  pos_ = n;
  return false;
}

bool MarkerCuts::TryAt(size_t p, size_t* inner_begin, size_t* inner_end) {
  const int r = RowAt(p);
  if (r < 0) return false;
  const auto& row = quenloft::kMarkerDelimiters[static_cast<size_t>(r)];
  const size_t close = FindClosing(p + row.opening.size(), static_cast<size_t>(r));
  if (close == kNone) {
    pos_ = p + 2;  // the opening stays text
    return false;
  }
  *inner_begin = p + row.opening.size();
  *inner_end = close;
  pos_ = close + row.closing.size();
  return true;
}

int MarkerCuts::RowAt(size_t p) const {
  const size_t remaining = text_.size() - p;
  for (size_t r = 0; r < quenloft::kMarkerDelimiters.size(); ++r) {
    const auto& row = quenloft::kMarkerDelimiters[r];
    if (Applies(row, style_) && remaining >= row.opening.size() + row.closing.size() &&
        DelimiterAt(text_, p, row.opening)) {
      return static_cast<int>(r);
    }
  }
  return -1;
}

// Every closing delimiter begins with '%' and every escape pair with a
// backslash: the walk jumps between those two bytes.
size_t MarkerCuts::FindClosing(size_t q, size_t r) {
  if (dead_rows_[r]) return kNone;
  const std::string_view closing = quenloft::kMarkerDelimiters[r].closing;
  const size_t n = text_.size();
  while (q < n) {
    const size_t c = std::min(inner_percent_.At(text_, q), inner_backslash_.At(text_, q));
    if (c >= n) break;
    if (text_[c] == '\\' && c + 1 < n && IsEscapable(text_[c + 1])) {
      q = c + 2;
    } else if (text_[c] == '%' && DelimiterAt(text_, c, closing)) {
      return c;
    } else {
      q = c + 1;
    }
  }
  dead_rows_[r] = true;
  return kNone;
}

size_t MarkerCuts::NextByte::At(std::string_view text, size_t q) {
  if (q < from || q > at) {
    from = q;
    const void* hit = q < text.size() ? std::memchr(text.data() + q, byte, text.size() - q) : nullptr;
    at = hit == nullptr ? text.size()
                        : static_cast<size_t>(static_cast<const char*>(hit) - text.data());
  }
  return at;
}

size_t SliceSizeFor(std::string_view text, std::string_view name) {
  return text.size() < kSliceAbove || !MarkerStyleOfName(name) ? 0 : kSliceSize;
}

namespace {

// Where the slice being patched on this thread begins in its file.
struct SliceOrigin {
  int32_t line = 1;
  int32_t column = 1;
};
thread_local SliceOrigin slice_origin;

// Moves the origin from one offset of the text to a later one, counting
// the lines between; back to the file's start when it goes.
class OriginWalk {
 public:
  explicit OriginWalk(const char* text) : text_(text) {}
  ~OriginWalk() { slice_origin = SliceOrigin(); }
  OriginWalk(const OriginWalk&) = delete;
  OriginWalk& operator=(const OriginWalk&) = delete;

  void MoveTo(size_t offset) {
    for (const char* p = text_ + at_; (p = static_cast<const char*>(
                                           std::memchr(p, '\n', offset - (p - text_)))) != nullptr;
         ++p) {
      ++slice_origin.line;
      line_start_ = static_cast<size_t>(p - text_) + 1;
    }
    at_ = offset;
    slice_origin.column = static_cast<int32_t>(offset - line_start_) + 1;
  }

 private:
  const char* text_;
  size_t at_ = 0;
  size_t line_start_ = 0;
};

}  // namespace

void ShiftToFile(int32_t* line, int32_t* column) {
  if (*line <= 0) return;
  if (*line == 1 && *column > 0) *column += slice_origin.column - 1;
  *line += slice_origin.line - 1;
}

bool PatchInSlices(ITplManager* manager, char* text, size_t size, const std::string& destination,
                   size_t slice_size, const SliceSink& sink, bool* library_failed) {
  *library_failed = true;
  OriginWalk origin(text);
  const auto services = quenloft::ComPtr<ITplManager>::retain(manager).query<ITplMacroServices>();
  const quenloft::Text patched;
  if (!services || patched.get() == nullptr) return false;
  // Without a type the name settles, the text is one slice.
  const std::optional<quenloft::MarkerStyle> style = MarkerStyleOfName(destination);
  MarkerCuts cuts(std::string_view(text, size), style.value_or(quenloft::MarkerStyleAny));

  bool slicing = style && slice_size > 0;
  for (size_t from = 0; from < size;) {
    size_t to = size;
    for (size_t inner_begin, inner_end, end; slicing && cuts.NextMarker(&inner_begin, &inner_end, &end);) {
      // From the slice of a marker that later ones may see, the rest is
      // one piece.
      if (MayReachPastMarker(std::string_view(text + inner_begin, inner_end - inner_begin))) {
        slicing = false;
      } else if (end >= from + slice_size) {
        to = end;
        break;
      }
    }
    origin.MoveTo(from);
    quenloft::ComPtr<ITplPatchedFile> file;
    if (services->CreatePatchedFile(file.put()) != 0 || !file) return false;
    // The library reads a text up to its zero byte and keeps a copy.
    const char kept = text[to];
    text[to] = '\0';
    file->SetText(text + from);
    text[to] = kept;
    file->AttachFileName(destination.c_str());
    if (file->Patch(patched) != 0) return false;
    const char* bytes = nullptr;
    if (patched.get()->GetLength() > 0 && patched.get()->GetText(&bytes) != 0) return false;
    if (!sink(bytes == nullptr ? std::string_view() : std::string_view(bytes))) {
      *library_failed = false;
      return false;
    }
    from = to;
  }
  *library_failed = false;
  return true;
}

}  // namespace quenloft_tool
