#include "sliced_patch.h"

#include <cstring>
#include <deque>
#include <optional>
#include <vector>

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

size_t SliceSizeFor(std::string_view text, std::string_view name, size_t above, size_t size) {
  return text.size() < above || !MarkerStyleOfName(name) ? 0 : size;
}

namespace {

// The origins of a text's pieces, counted on demand only: a diagnostic is
// rare, and counting lines is a pass over the text. Asked in document
// order, the whole count is one pass.
class LineCounter {
 public:
  explicit LineCounter(const char* text) : text_(text) {}

  TextOrigin At(size_t offset) {
    if (offset < at_) *this = LineCounter(text_);
    for (const char* p = text_ + at_;
         (p = static_cast<const char*>(std::memchr(p, '\n', offset - (p - text_)))) != nullptr;
         ++p) {
      ++origin_.line;
      line_start_ = static_cast<size_t>(p - text_) + 1;
    }
    at_ = offset;
    origin_.column = static_cast<int32_t>(offset - line_start_) + 1;
    return origin_;
  }

 private:
  const char* text_;
  size_t at_ = 0;
  size_t line_start_ = 0;
  TextOrigin origin_;
};

// The slice this thread patches, while it does.
struct PatchingSlice {
  LineCounter* lines;
  size_t begin;
};
thread_local const PatchingSlice* patching_slice = nullptr;

class PatchingHere {
 public:
  explicit PatchingHere(const PatchingSlice* slice) { patching_slice = slice; }
  ~PatchingHere() { patching_slice = nullptr; }
  PatchingHere(const PatchingHere&) = delete;
  PatchingHere& operator=(const PatchingHere&) = delete;
};

// One sliced patching: slices patched here in order, and with a helper,
// those that stand alone handed to it as they are cut.
class SlicedPatch {
 public:
  enum class Result { kDone, kLibraryFailed, kRefused };

  SlicedPatch(ITplMacroServices* services, char* text, const std::string& destination,
              const SliceSink& sink, SliceHelper* helper)
      : services_(services), text_(text), lines_(text), destination_(destination), sink_(sink),
        helper_(helper) {
    for (SliceJob& job : jobs_) free_.push_back(&job);
  }
  // No job outlives the patching, whatever ended it.
  ~SlicedPatch() {
    for (const SliceJob* job : handed_) {
      if (!helper_->Withdraw(*job)) helper_->Wait(*job);
    }
  }
  SlicedPatch(const SlicedPatch&) = delete;
  SlicedPatch& operator=(const SlicedPatch&) = delete;

  Result Run(SliceSource* slices) {
    Slice next;
    bool more = slices->Next(&next);
    while (more || !handed_.empty()) {
      while (more && next.alone && helper_ != nullptr && !free_.empty()) {
        // Handed once the walk is past it: the walk never reads a byte
        // before the end of the last slice it gave, where the helper's
        // threads put their zero bytes.
        const Slice handed = next;
        more = slices->Next(&next);
        Hand(handed);
      }
      Result result = Result::kDone;
      if (!handed_.empty()) {
        result = TellOldest();
      } else {
        result = PatchHere(next);
        more = slices->Next(&next);
      }
      if (result != Result::kDone) return result;
    }
    return Result::kDone;
  }

 private:
  void Hand(const Slice& slice) {
    SliceJob* job = free_.back();
    free_.pop_back();
    job->slice = {text_, slice.begin, slice.end, &text_lock_};
    job->destination = destination_;
    job->told.Clear();
    job->patched = false;
    job->done = false;
    helper_->Submit(job);
    handed_.push_back(job);
  }

  // Passes on the oldest handed slice; one the helper has not begun is
  // patched here.
  Result TellOldest() {
    SliceJob* job = handed_.front();
    const bool withdrawn = helper_->Withdraw(*job);
    if (!withdrawn) helper_->Wait(*job);
    handed_.pop_front();
    free_.push_back(job);
    if (withdrawn) return PatchHere({job->slice.begin, job->slice.end, true});
    helper_->Tell(job->told, lines_.At(job->slice.begin));
    if (!job->patched) return Result::kLibraryFailed;
    return sink_(job->output) ? Result::kDone : Result::kRefused;
  }

  Result PatchHere(const Slice& slice) {
    const PatchingSlice patching{&lines_, slice.begin};
    const PatchingHere here(&patching);
    std::string_view output;
    if (!PatchText(services_, {text_, slice.begin, slice.end, &text_lock_}, destination_, patched_,
                   &output)) {
      return Result::kLibraryFailed;
    }
    return sink_(output) ? Result::kDone : Result::kRefused;
  }

  ITplMacroServices* services_;
  char* text_;
  LineCounter lines_;
  const std::string& destination_;
  const SliceSink& sink_;
  SliceHelper* helper_;
  const quenloft::Text patched_;
  std::mutex text_lock_;  // while a zero byte stands in the text
  std::array<SliceJob, kSlicesInFlight> jobs_;
  std::vector<SliceJob*> free_;
  std::deque<SliceJob*> handed_;  // in document order
};

// The slices of a survey, or the whole text as one piece.
class SliceList final : public SliceSource {
 public:
  SliceList(const std::vector<Slice>& slices, size_t size) : slices_(slices), size_(size) {}
  bool Next(Slice* slice) override {
    if (slices_.empty()) {
      *slice = {0, size_, false};
      return next_++ == 0;
    }
    if (next_ >= slices_.size()) return false;
    *slice = slices_[next_++];
    return true;
  }

 private:
  const std::vector<Slice>& slices_;
  size_t size_;
  size_t next_ = 0;
};

}  // namespace

void ShiftToFile(int32_t* line, int32_t* column) {
  if (patching_slice == nullptr) return;
  patching_slice->lines->At(patching_slice->begin).Shift(line, column);
}

bool PatchText(ITplMacroServices* services, const SliceOfText& slice,
               const std::string& destination, const quenloft::Text& patched,
               std::string_view* output) {
  quenloft::ComPtr<ITplPatchedFile> file;
  if (patched.get() == nullptr || services->CreatePatchedFile(file.put()) != 0 || !file) {
    return false;
  }
  {
    // The library reads the text up to its zero byte and keeps a copy.
    const std::lock_guard<std::mutex> hold(*slice.lock);
    const char kept = slice.text[slice.end];
    slice.text[slice.end] = '\0';
    file->SetText(slice.text + slice.begin);
    slice.text[slice.end] = kept;
  }
  file->AttachFileName(destination.c_str());
  if (file->Patch(patched) != 0) return false;
  const char* bytes = nullptr;
  if (patched.get()->GetLength() > 0 && patched.get()->GetText(&bytes) != 0) return false;
  *output = bytes == nullptr ? std::string_view() : std::string_view(bytes);
  return true;
}

void PatchSliceJob(ITplManager* manager, SliceJob* job) {
  const auto services = quenloft::ComPtr<ITplManager>::retain(manager).query<ITplMacroServices>();
  job->patched = services && PatchText(services.get(), job->slice, job->destination,
                                       job->result, &job->output);
}

bool SliceCutter::Rule::After(bool reaches_past, size_t end, Slice* cut) {
  if (reaches_past) {
    alone = false;
  } else if (alone && end >= from + size) {
    *cut = {from, end, true};
    from = end;
    return true;
  }
  return false;
}

SliceCutter::SliceCutter(std::string_view text, quenloft::MarkerStyle style, size_t slice_size)
    : text_(text), cuts_(text, style) {
  rule_.size = slice_size;
}

bool SliceCutter::Next(Slice* slice) {
  if (done_) return false;
  for (size_t inner_begin, inner_end, end;
       rule_.alone && cuts_.NextMarker(&inner_begin, &inner_end, &end);) {
    const std::string_view inner = text_.substr(inner_begin, inner_end - inner_begin);
    if (rule_.After(MayReachPastMarker(inner), end, slice)) return true;
  }
  done_ = true;
  *slice = rule_.Rest(text_.size());
  // Nothing after the last cut: no empty piece.
  return slice->begin < slice->end || slice->begin == 0;
}

bool HoldsMarkers(std::string_view text, quenloft::MarkerStyle style) {
  size_t inner_begin, inner_end, end;
  return MarkerCuts(text, style).NextMarker(&inner_begin, &inner_end, &end) &&
         std::memchr(text.data(), '\0', text.size()) == nullptr;
}

TextSurvey SurveyText(std::string_view text, std::string_view name, size_t slice_size) {
  TextSurvey survey;
  const std::optional<quenloft::MarkerStyle> style = MarkerStyleOfName(name);
  if (!style) {
    survey.may_hold_markers = MayHoldMarkers(text, name);
    survey.may_affect_other_files = survey.may_hold_markers && MayAffectOtherFiles(text);
    return survey;
  }
  MarkerCuts cuts(text, *style);
  SliceCutter::Rule cutting;
  cutting.size = slice_size;
  for (size_t inner_begin, inner_end, end; cuts.NextMarker(&inner_begin, &inner_end, &end);) {
    // The zero byte only once a marker is found: a text without one needs
    // no second scan.
    if (!survey.may_hold_markers && std::memchr(text.data(), '\0', text.size()) != nullptr) {
      return survey;
    }
    survey.may_hold_markers = true;
    const std::string_view inner = text.substr(inner_begin, inner_end - inner_begin);
    // Every statement that may affect other files also reaches past its
    // marker: the cheap look first.
    const bool reaches_past = MayReachPastMarker(inner);
    Slice cut;
    if (slice_size > 0 && cutting.After(reaches_past, end, &cut)) survey.slices.push_back(cut);
    if (reaches_past && MayAffectOtherFiles(inner)) {
      survey.may_affect_other_files = true;
      break;  // nothing left to learn
    }
  }
  if (!survey.slices.empty()) survey.slices.push_back(cutting.Rest(text.size()));
  return survey;
}

bool PatchInSlices(ITplManager* manager, char* text, const std::string& destination,
                   SliceSource* slices, const SliceSink& sink, bool* library_failed,
                   SliceHelper* helper) {
  *library_failed = true;
  const auto services = quenloft::ComPtr<ITplManager>::retain(manager).query<ITplMacroServices>();
  if (!services) return false;
  SlicedPatch patch(services.get(), text, destination, sink, helper);
  const SlicedPatch::Result result = patch.Run(slices);
  *library_failed = result == SlicedPatch::Result::kLibraryFailed;
  return result == SlicedPatch::Result::kDone;
}

bool PatchInSlices(ITplManager* manager, char* text, size_t size, const std::string& destination,
                   const std::vector<Slice>& slices, const SliceSink& sink, bool* library_failed,
                   SliceHelper* helper) {
  SliceList list(slices, size);
  return PatchInSlices(manager, text, destination, &list, sink, library_failed, helper);
}

}  // namespace quenloft_tool
