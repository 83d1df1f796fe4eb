#include "os/temporary_name.h"

#include <cstddef>

namespace inhouse::os {
namespace {

constexpr std::string_view kMarker = ".quenloft-tmp-";
constexpr size_t kStemLimit = 64;  // keeps the name short
constexpr size_t kSuffixLength = 8;
constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";

}  // namespace

std::string TemporaryPathBeside(const std::string& target, uint64_t random_bits) {
  const size_t slash = target.rfind('/');
  const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  std::string path = target.substr(0, name_start);
  path.push_back('.');
  path.append(target, name_start, kStemLimit);
  path.append(kMarker);
  for (size_t i = 0; i < kSuffixLength; ++i) {
    path.push_back(kAlphabet[random_bits % kAlphabet.size()]);
    random_bits /= kAlphabet.size();
  }
  return path;
}

bool IsTemporaryName(std::string_view name) {
  const size_t tail = kMarker.size() + kSuffixLength;
  if (name.size() < 1 + 1 + tail || name.front() != '.') return false;
  const size_t stem = name.size() - 1 - tail;
  if (stem > kStemLimit) return false;
  if (name.substr(1 + stem, kMarker.size()) != kMarker) return false;
  for (const char c : name.substr(name.size() - kSuffixLength)) {
    if (kAlphabet.find(c) == std::string_view::npos) return false;
  }
  return name.substr(1, stem).find_first_of("/\\") == std::string_view::npos;
}

}  // namespace inhouse::os
