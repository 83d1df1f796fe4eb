// Where the statement being evaluated stands: the patched file sets its
// marker here while it evaluates it, so that a diagnostic made deep in a
// resolution can name the file, line and column. Nothing is counted until
// a diagnostic asks: the line of an offset is counted then, from the last
// offset counted in the same text, so that a file's diagnostics in
// document order cost one pass over it.
//
// One per manager, used by the thread that uses the manager.
#ifndef QUENLOFT_PATCHING_EVALUATION_SITE_H
#define QUENLOFT_PATCHING_EVALUATION_SITE_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quenloft {

struct EvaluationSite {
  std::string_view file;   // the patched file's name; empty outside a file
  std::string_view text;   // the file's whole text
  size_t inner_begin = 0;  // the marker's text between its delimiters
  size_t inner_end = 0;
};

struct LineColumn {
  int32_t line = 0;  // 1-based; 0 unknown
  int32_t column = 0;
};

class EvaluationSites {
 public:
  // Sets a marker's site for its evaluation and restores the one before
  // (a resolver may patch another file meanwhile).
  class Enter {
   public:
    Enter(EvaluationSites* sites, const EvaluationSite& site) : sites_(sites) {
      if (sites_ == nullptr) return;
      saved_ = sites_->site_;
      sites_->site_ = site;
    }
    ~Enter() {
      if (sites_ != nullptr) sites_->site_ = saved_;
    }
    Enter(const Enter&) = delete;
    Enter& operator=(const Enter&) = delete;

   private:
    EvaluationSites* sites_;
    EvaluationSite saved_;
  };

  const EvaluationSite& current() const { return site_; }

  // A composition begins: what was counted may be of a text gone since,
  // whose memory the new text may reuse.
  void Forget() { counted_text_ = nullptr; }

  // Line and column (in bytes) of an offset into the current text.
  LineColumn Locate(size_t offset);

 private:
  EvaluationSite site_;
  // The last offset counted, and in which text.
  const char* counted_text_ = nullptr;
  size_t counted_ = 0;
  int32_t line_ = 1;
  size_t line_start_ = 0;
};

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_EVALUATION_SITE_H
