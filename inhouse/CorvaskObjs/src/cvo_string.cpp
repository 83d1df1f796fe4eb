// Identity, lifetime, content and comparison of the string object.
#include "cvo_string.h"

#include <cstring>
#include <new>

namespace corvask {
namespace {

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Orders a against b bytewise (optionally folding ASCII letters): -1, 0, 1.
int32_t CompareBytes(const std::string& a, const char* b, bool fold) {
  const size_t b_length = std::strlen(b);
  const size_t common = a.size() < b_length ? a.size() : b_length;
  for (size_t i = 0; i < common; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (fold) {
      x = FoldAscii(x);
      y = FoldAscii(y);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b_length) return 0;
  return a.size() < b_length ? -1 : 1;
}

}  // namespace

int32_t CvoString::QueryInterface(const CvoIID& iid, void** out) {
  if (out == nullptr) return kInvalidArg;
  *out = nullptr;
  if (std::memcmp(&iid, &IID_ICvoString, sizeof(CvoIID)) != 0) return kNotImpl;
  AddRef();
  *out = static_cast<ICvoString*>(this);
  return kOk;
}

int32_t CvoString::AddRef() {
  // Relaxed: the caller already holds a reference, so nothing can race with
  // the destruction and no other memory needs ordering.
  return count_.fetch_add(1, std::memory_order_relaxed) + 1;
}

int32_t CvoString::Release() {
  // acq_rel: writes made through any reference happen before the deletion
  // that the last Release performs.
  const int32_t remaining = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining == 0) delete this;
  return remaining;
}

int32_t CvoString::Assign(const char* bytes, size_t length) noexcept {
  if (length > kMaxLength) return kFailed;
  try {
    text_.assign(bytes, length);
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

int32_t CvoString::Append(const char* bytes, size_t length) noexcept {
  if (length > kMaxLength - text_.size()) return kFailed;
  try {
    text_.append(bytes, length);
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

int32_t CvoString::SetText(const char* text) {
  if (text == nullptr) return Empty();
  return Assign(text, std::strlen(text));
}

int32_t CvoString::AppendText(const char* text) {
  if (text == nullptr) return kOk;
  return Append(text, std::strlen(text));
}

int32_t CvoString::GetLength() { return static_cast<int32_t>(text_.size()); }

int32_t CvoString::Empty() {
  text_.clear();
  return kOk;
}

int32_t CvoString::SetBytes(const char* bytes, int32_t length) {
  if (length < 0 || (bytes == nullptr && length != 0)) return kFailed;
  if (length == 0) return Empty();
  return Assign(bytes, static_cast<size_t>(length));
}

int32_t CvoString::AppendBytes(const char* bytes, int32_t length) {
  if (length < 0 || (bytes == nullptr && length != 0)) return kFailed;
  if (length == 0) return kOk;
  return Append(bytes, static_cast<size_t>(length));
}

int32_t CvoString::Compare(const char* text, int32_t* result) {
  if (result == nullptr) return kFailed;
  *result = CompareBytes(text_, text == nullptr ? "" : text, false);
  return kOk;
}

int32_t CvoString::CompareNoCase(const char* text, int32_t* result) {
  if (result == nullptr) return kFailed;
  *result = CompareBytes(text_, text == nullptr ? "" : text, true);
  return kOk;
}

int32_t CvoString::Clone(ICvoString** out) {
  if (out == nullptr) return kFailed;
  *out = nullptr;
  try {
    auto* copy = new CvoString(text_);
    copy->AddRef();
    *out = copy;
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

int32_t CvoString::GetBytes(const char** bytes, int32_t* length) {
  if (bytes == nullptr || length == nullptr) return kFailed;
  *bytes = text_.data();
  *length = static_cast<int32_t>(text_.size());
  return kOk;
}

int32_t CvoString::IsEqual(ICvoString* other, int32_t* equal) {
  if (other == nullptr || equal == nullptr) return kFailed;
  // Only through the interface: the other object may come from elsewhere.
  const char* bytes = nullptr;
  int32_t length = 0;
  if (other->GetBytes(&bytes, &length) != kOk || length < 0 ||
      (bytes == nullptr && length != 0))
    return kFailed;
  const size_t size = static_cast<size_t>(length);
  *equal = (size == text_.size() && (size == 0 || std::memcmp(bytes, text_.data(), size) == 0))
               ? 1
               : 0;
  return kOk;
}

int32_t CvoString::GetText(const char** text) {
  if (text == nullptr) return kFailed;
  *text = text_.c_str();
  return kOk;
}

}  // namespace corvask

extern "C" CVO_API int32_t CVO_CALL CreateCvoStringInstance(ICvoString** out) {
  if (out == nullptr) return corvask::kFailed;
  *out = nullptr;
  auto* made = new (std::nothrow) corvask::CvoString();
  if (made == nullptr) return corvask::kFailed;
  made->AddRef();
  *out = made;
  return corvask::kOk;
}
