// CByteString in memory. The buffer holds capacity_ content bytes plus the
// terminating zero; data_ is null until the first byte arrives.
#include <cstring>
#include <new>
#include <utility>

#include "TAVLOR/ByteString.h"

namespace {

constexpr size_t kMinDoubledCapacity = 16;

}  // namespace

CByteString::CByteString() : data_(nullptr), length_(0), capacity_(0), grow_double_(false) {}

CByteString::CByteString(const void* bytes, size_t count) : CByteString() { Assign(bytes, count); }

CByteString::CByteString(const CByteString& other) : CByteString() {
  grow_double_ = other.grow_double_;
  Assign(other.data_, other.length_);
}

CByteString::CByteString(CByteString&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      grow_double_(other.grow_double_) {}

// Assignment copies content only: the growth policy belongs to the buffer.
CByteString& CByteString::operator=(const CByteString& other) {
  if (this != &other) Assign(other.data_, other.length_);
  return *this;
}

CByteString& CByteString::operator=(CByteString&& other) noexcept {
  if (this != &other) {
    delete[] data_;
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

CByteString& CByteString::operator=(const char* text) {
  if (text == nullptr) {
    Empty();
  } else {
    Assign(text, std::strlen(text));
  }
  return *this;
}

CByteString& CByteString::operator+=(const char* text) {
  if (text != nullptr) Append(text, std::strlen(text));
  return *this;
}

CByteString::~CByteString() { delete[] data_; }

const char* CByteString::GetContent() const { return data_ != nullptr ? data_ : ""; }

size_t CByteString::GetLength() const { return length_; }

bool CByteString::IsEmpty() const { return length_ == 0; }

bool CByteString::HasZeroByte() const {
  return length_ != 0 && std::memchr(data_, 0, length_) != nullptr;
}

void CByteString::Assign(const void* bytes, size_t count) {
  if (count == 0 || bytes == nullptr) {
    Empty();
    return;
  }
  if (count > capacity_) {
    // Fresh buffer first: bytes may lie inside the old one.
    CByteString fresh;
    fresh.Grow(count);
    std::memcpy(fresh.data_, bytes, count);
    std::swap(data_, fresh.data_);
    std::swap(capacity_, fresh.capacity_);
  } else {
    std::memmove(data_, bytes, count);
  }
  length_ = count;
  data_[length_] = '\0';
}

void CByteString::Append(const void* bytes, size_t count) {
  if (count == 0 || bytes == nullptr) return;
  if (count > static_cast<size_t>(-1) - 1 - length_) throw std::bad_alloc();
  const char* source = static_cast<const char*>(bytes);
  // Appending a part of ourselves: find it again after the buffer moves.
  const bool inside = data_ != nullptr && source >= data_ && source < data_ + length_;
  const size_t offset = inside ? static_cast<size_t>(source - data_) : 0;
  Grow(length_ + count);
  if (inside) source = data_ + offset;
  std::memmove(data_ + length_, source, count);
  length_ += count;
  data_[length_] = '\0';
}

void CByteString::Empty() {
  length_ = 0;
  if (data_ != nullptr) data_[0] = '\0';
}

void CByteString::Reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  const bool doubling = grow_double_;
  grow_double_ = false;  // exactly what was asked for
  try {
    Grow(capacity);
  } catch (...) {
    grow_double_ = doubling;
    throw;
  }
  grow_double_ = doubling;
}

void CByteString::SetGrowByDoubleSize(bool on) { grow_double_ = on; }

void CByteString::Grow(size_t needed) {
  if (needed <= capacity_) return;
  if (needed >= static_cast<size_t>(-1) / 2) throw std::bad_alloc();
  size_t capacity = needed;
  if (grow_double_) {
    size_t doubled = capacity_ < kMinDoubledCapacity ? kMinDoubledCapacity : capacity_ * 2;
    while (doubled < needed) doubled *= 2;
    capacity = doubled;
  }
  char* grown = new char[capacity + 1];
  if (length_ != 0) std::memcpy(grown, data_, length_);
  grown[length_] = '\0';
  delete[] data_;
  data_ = grown;
  capacity_ = capacity;
}
