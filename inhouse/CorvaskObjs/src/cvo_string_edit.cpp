// In-place edits and searches of the string object.
#include <cstring>

#include "cvo_string.h"

namespace corvask {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t CvoString::MakeLower() {
  for (char& c : text_)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return kOk;
}

int32_t CvoString::MakeUpper() {
  for (char& c : text_)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return kOk;
}

int32_t CvoString::Trim() {
  size_t end = text_.size();
  while (end > 0 && IsSpace(text_[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && IsSpace(text_[begin])) ++begin;
  text_.erase(end);  // never reallocates
  text_.erase(0, begin);
  return kOk;
}

int32_t CvoString::Find(const char* text, int32_t start, int32_t* position) {
  if (text == nullptr || position == nullptr) return kFailed;
  const size_t from = start < 0 ? 0 : static_cast<size_t>(start);
  const size_t found = text_.find(text, from, std::strlen(text));
  *position = found == std::string::npos ? -1 : static_cast<int32_t>(found);
  return kOk;
}

int32_t CvoString::Left(int32_t count) {
  const size_t keep = count < 0 ? 0 : static_cast<size_t>(count);
  if (keep < text_.size()) text_.erase(keep);
  return kOk;
}

int32_t CvoString::Mid(int32_t start, int32_t count) {
  const size_t from = start < 0 ? 0 : static_cast<size_t>(start);
  if (from >= text_.size()) {
    text_.clear();
    return kOk;
  }
  if (count >= 0 && static_cast<size_t>(count) < text_.size() - from)
    text_.erase(from + static_cast<size_t>(count));
  text_.erase(0, from);
  return kOk;
}

int32_t CvoString::Replace(const char* find, const char* replacement, int32_t* count) {
  if (count != nullptr) *count = 0;
  if (find == nullptr || *find == '\0') return kFailed;
  if (replacement == nullptr) replacement = "";
  const size_t find_length = std::strlen(find);
  const size_t replacement_length = std::strlen(replacement);
  try {
    // One pass into a new buffer: linear whatever the lengths.
    std::string result;
    int32_t replaced = 0;
    size_t from = 0;
    for (size_t at = text_.find(find, 0, find_length); at != std::string::npos;
         at = text_.find(find, from, find_length)) {
      if (replaced == 0) result.reserve(text_.size());
      result.append(text_, from, at - from);
      result.append(replacement, replacement_length);
      from = at + find_length;
      ++replaced;
    }
    if (replaced != 0) {
      result.append(text_, from, std::string::npos);
      if (result.size() > kMaxLength) return kFailed;
      text_.swap(result);
    }
    if (count != nullptr) *count = replaced;
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

}  // namespace corvask
