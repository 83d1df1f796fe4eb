// Quoting and ASCII case folding.
#include <cstring>

#include "CorvaskUtils/CorvaskUtils.h"

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EnclosedBy(const char* text, size_t length, const char* opening, const char* closing) {
  const size_t open_length = std::strlen(opening);
  const size_t close_length = std::strlen(closing);
  // The pair must not overlap: "'" is no quoted empty text.
  if (open_length + close_length == 0 || length < open_length + close_length) return false;
  return std::memcmp(text, opening, open_length) == 0 &&
         std::memcmp(text + length - close_length, closing, close_length) == 0;
}

}  // namespace

std::string DeQuote(const char* text, const char* opening, const char* closing) {
  if (text == nullptr) return {};
  const size_t length = std::strlen(text);
  if (opening == nullptr && closing == nullptr) {
    for (const char* quote : {"\"", "'"})
      if (EnclosedBy(text, length, quote, quote)) return std::string(text + 1, length - 2);
    return std::string(text, length);
  }
  // Only one of them given: the other is empty.
  if (opening == nullptr) opening = "";
  if (closing == nullptr) closing = "";
  if (!EnclosedBy(text, length, opening, closing)) return std::string(text, length);
  const size_t open_length = std::strlen(opening);
  return std::string(text + open_length, length - open_length - std::strlen(closing));
}

std::string ToLowerAscii(const char* text) {
  if (text == nullptr) return {};
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

int CompareNoCaseAscii(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (;; ++a, ++b) {
    const unsigned char x = static_cast<unsigned char>(LowerAscii(*a));
    const unsigned char y = static_cast<unsigned char>(LowerAscii(*b));
    if (x != y) return x < y ? -1 : 1;
    if (x == '\0') return 0;
  }
}
