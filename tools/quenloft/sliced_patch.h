// Large files patched in slices: the text is cut only between two pieces
// of the library's own parse of the whole text (after a marker), so every
// slice parses into exactly the markers and plain-text runs the whole file
// would. Each slice is patched by a patched-file object of its own that
// bears the file's name, and its output is handed on at once: the buffers
// stay the size of a slice, warm and reused, instead of three fresh
// buffers the size of the file.
//
// A slice stands alone when none of its markers can change what a later
// marker sees: no variable assignment (a file-scope variable lives in the
// patched-file object) and none of the functions that reach past the
// marker. From the first slice that does not, the rest of the file is
// patched as one piece: what comes before it cannot see what it does.
#ifndef QUENLOFT_TOOL_SLICED_PATCH_H
#define QUENLOFT_TOOL_SLICED_PATCH_H

#include <array>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "kept_reports.h"
#include "quenloft/conventions.h"
#include "quenloft/quenloft.h"
#include "quenloft/string_object.h"

namespace quenloft_tool {

// Files below this size are patched whole: on a 1 MB file, starting a
// worker's manager and its fresh memory cost more than the second core
// gains (measured).
inline constexpr size_t kSliceAbove = size_t{4} << 20;
// About the size of each slice: small enough that the threads share a
// file's slices evenly and the buffers stay in the caches, large enough
// that a patched-file object and a hand-over per slice cost nothing
// (128 KB measured a little faster than 256 KB and 512 KB, and no slower
// than 64 KB).
inline constexpr size_t kSliceSize = size_t{128} << 10;

// The markers of the library's parse of a text (by the marker delimiters of
// its file type, conventions.h): after each, the parse stands between two
// pieces. It follows that parse
// exactly: the rows the type accepts, tried in table order; an opening
// only where the whole marker still fits; inside a marker, a backslash
// before "%", "\", '"' or "'" makes an escape pair that never begins the
// closing delimiter; the first closing delimiter of the marker's row ends
// it; an opening without one stays text and the scan goes on two bytes
// after it.
class MarkerCuts {
 public:
  MarkerCuts(std::string_view text, quenloft::MarkerStyle style);

  // The next marker in document order, as offsets: its inner text and its
  // end. False at the end of the text.
  bool NextMarker(size_t* inner_begin, size_t* inner_end, size_t* end);

 private:
  // True when a marker starts at p: its inner text set and pos_ past it;
  // otherwise pos_ moves as the parse does.
  bool TryAt(size_t p, size_t* inner_begin, size_t* inner_end);
  int RowAt(size_t p) const;
  // The closing delimiter of row r for inner text from q, or npos.
  size_t FindClosing(size_t q, size_t r);
  // The first of one byte value at or after a query, or the text's size;
  // the last answer is kept, so that a forward walk costs one memchr pass.
  struct NextByte {
    char byte;
    size_t from = static_cast<size_t>(-1);  // the query answered; none yet: above any
    size_t at = 0;
    size_t At(std::string_view text, size_t q);
  };

  std::string_view text_;
  quenloft::MarkerStyle style_;
  size_t lead_ = 0;  // bytes before the '%' of the type's own opening row
  size_t pos_ = 0;   // no marker starts before this
  NextByte inner_percent_{'%'};
  NextByte inner_backslash_{'\\'};
  // Rows whose closing search ran off the end: no later marker of theirs
  // can end either (an opening never ends in a backslash, so a later walk
  // retraces the failed one).
  std::array<bool, quenloft::kMarkerDelimiters.size()> dead_rows_{};
};

// The slice size for patching `text` as the file `name`, or 0 to patch it
// whole: files below `above`, and files whose type the name does not
// settle.
size_t SliceSizeFor(std::string_view text, std::string_view name, size_t above = kSliceAbove,
                    size_t size = kSliceSize);

// A piece of a text, cut after a marker.
struct Slice {
  size_t begin = 0;
  size_t end = 0;
  bool alone = false;  // no marker in it may change what a later one sees
};

// What one walk over the markers of a file's text tells the build.
struct TextSurvey {
  // False when patching leaves the bytes as they are: a zero byte (the
  // library keeps such a text unchanged), or no marker.
  bool may_hold_markers = false;
  // True when a marker may change what another file's patching sees
  // (MayAffectOtherFiles, skin_text.h): text outside markers is never
  // evaluated.
  bool may_affect_other_files = false;
  // With a slice size, the slices of about that size while they stand
  // alone, and from the first that does not, the rest as one; none when
  // the text is one piece.
  std::vector<Slice> slices;
};

// Surveys `text` as the file `name`. A name whose type is not settled
// gets the looser looks of skin_text.h and no slices.
TextSurvey SurveyText(std::string_view text, std::string_view name, size_t slice_size);

// What SurveyText tells of may_hold_markers, for a file of a settled type,
// from its first marker: the rest of the walk is left to a SliceCutter.
bool HoldsMarkers(std::string_view text, quenloft::MarkerStyle style);

// Gives the slices of a text in document order, one at a time.
class SliceSource {
 public:
  // False when the text is done.
  virtual bool Next(Slice* slice) = 0;

 protected:
  ~SliceSource() = default;
};

// The slices SurveyText finds, found as they are asked for: patching
// begins after the first slice's walk, not the whole file's. A text that
// is one piece gives one slice.
class SliceCutter final : public SliceSource {
 public:
  SliceCutter(std::string_view text, quenloft::MarkerStyle style, size_t slice_size);
  bool Next(Slice* slice) override;

  // Where a text is cut, marker by marker.
  struct Rule {
    size_t size = 0;
    size_t from = 0;    // where the slice being walked begins
    bool alone = true;  // no marker so far may reach past its own
    // After a marker that ends at `end`: true with the slice it closes.
    bool After(bool reaches_past, size_t end, Slice* cut);
    Slice Rest(size_t text_size) const { return {from, text_size, alone}; }
  };

 private:
  std::string_view text_;
  MarkerCuts cuts_;
  Rule rule_;
  bool done_ = false;
};

// Receives each slice's output, in order; false stops the patching.
using SliceSink = std::function<bool(std::string_view output)>;

// A slice of a file's text that other threads read around: the zero byte
// the library reads up to is the next slice's first byte, so it is put
// there, under `lock`, only while the library takes its copy.
struct SliceOfText {
  char* text = nullptr;  // the whole file's, with a byte after its end
  size_t begin = 0;
  size_t end = 0;
  std::mutex* lock = nullptr;
};

// A slice that stands alone, patched on another thread by a manager that
// holds the same values as the file's: its markers change nothing the
// managers hold, so either gives the same output and messages.
struct SliceJob {
  SliceOfText slice;
  std::string destination;  // the file's name
  // Set by PatchSliceJob.
  quenloft::Text result;    // kept from job to job: its buffer stays warm
  std::string_view output;  // in `result`
  KeptReports told;  // what the library told the other manager's host
  bool patched = false;
  bool done = false;  // guarded by the helper that runs the job
};

// Patches a job's slice with `manager`, on the thread that uses it.
void PatchSliceJob(ITplManager* manager, SliceJob* job);

// Runs jobs on another thread, and tells the file's host what the library
// told about each, when asked to, in document order.
class SliceHelper {
 public:
  // The job stays the caller's; it must live until Wait returns for it,
  // or Withdraw takes it back.
  virtual void Submit(SliceJob* job) = 0;
  // Takes back a job no thread has begun; false when one has.
  virtual bool Withdraw(const SliceJob& job) = 0;
  virtual void Wait(const SliceJob& job) = 0;
  virtual void Tell(const KeptReports& told, TextOrigin slice) = 0;

 protected:
  ~SliceHelper() = default;
};

// Slices handed to a helper and not yet passed on: enough to keep its
// threads busy while this one passes outputs on, few enough that the
// buffers stay small.
inline constexpr size_t kSlicesInFlight = 6;

// Patches the `size` bytes at `text` (a byte after them; the bytes are
// briefly written to and restored) as the file `destination`, slice by
// slice. With a helper, the slices that stand alone go to it, up to
// kSlicesInFlight at once, each to whichever of its threads is free, while
// this thread cuts the next ones and passes their outputs on; a slice the
// helper has not begun when its turn comes is patched here. The sink and
// the host hear of each slice in order. A slice that does not stand alone
// is patched here, after all before it. False when the library fails
// (*library_failed set) or `sink` does.
bool PatchInSlices(ITplManager* manager, char* text, const std::string& destination,
                   SliceSource* slices, const SliceSink& sink, bool* library_failed,
                   SliceHelper* helper = nullptr);
// The same with slices found before (none: the text as one piece).
bool PatchInSlices(ITplManager* manager, char* text, size_t size, const std::string& destination,
                   const std::vector<Slice>& slices, const SliceSink& sink, bool* library_failed,
                   SliceHelper* helper = nullptr);

// Patches one slice with a patched-file object of `services` bearing the
// name `destination`; *output is valid while `patched` holds it.
bool PatchText(ITplMacroServices* services, const SliceOfText& slice,
               const std::string& destination, const quenloft::Text& patched,
               std::string_view* output);

// The library counts a diagnostic's line and column within the slice it
// patches; a host shifts them here to the file's own. Unchanged outside
// PatchInSlices's own patching, and on threads other than the one that
// patches (a helper's slices are shifted when told).
void ShiftToFile(int32_t* line, int32_t* column);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SLICED_PATCH_H
