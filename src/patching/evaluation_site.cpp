#include "patching/evaluation_site.h"

#include <cstring>

namespace quenloft {

LineColumn EvaluationSites::Locate(size_t offset) {
  const std::string_view text = site_.text;
  if (text.data() == nullptr || offset > text.size()) return {};
  if (counted_text_ != text.data() || offset < counted_) {
    counted_text_ = text.data();
    counted_ = 0;
    line_ = 1;
    line_start_ = 0;
  }
  for (const char* p = text.data() + counted_; p < text.data() + offset;) {
    const void* newline = std::memchr(p, '\n', static_cast<size_t>(text.data() + offset - p));
    if (newline == nullptr) break;
    p = static_cast<const char*>(newline) + 1;
    ++line_;
    line_start_ = static_cast<size_t>(p - text.data());
  }
  counted_ = offset;
  return {line_, static_cast<int32_t>(offset - line_start_ + 1)};
}

}  // namespace quenloft
