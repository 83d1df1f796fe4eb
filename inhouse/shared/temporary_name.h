// The name of the temporary file that a whole-file write (TAVLOR's
// SaveToFile, pmtkCopyFile) fills beside its target before renaming it over
// the target: hidden, and marked so that a later run can tell it apart from
// every file of a user and remove the ones a killed process left behind.
//
//   "." + the target's file name (its first 64 bytes) + ".quenloft-tmp-"
//       + 8 characters of [a-z0-9]
//
// Header only: the libraries that make such names and the one that
// recognises them (CorvaskUtils, for hosts) share no code otherwise.
#ifndef INHOUSE_SHARED_TEMPORARY_NAME_H
#define INHOUSE_SHARED_TEMPORARY_NAME_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace inhouse {

inline constexpr std::string_view kTemporaryMarker = ".quenloft-tmp-";
inline constexpr size_t kTemporaryStemLimit = 64;  // keeps the name short
inline constexpr size_t kTemporarySuffixLength = 8;
inline constexpr std::string_view kTemporaryAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";

// The temporary file's path beside target (a native path with "/"),
// spelled with the given random bits.
inline std::string TemporaryPathBeside(const std::string& target, uint64_t random_bits) {
  const size_t slash = target.rfind('/');
  const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  std::string path = target.substr(0, name_start);
  path.push_back('.');
  path.append(target, name_start, kTemporaryStemLimit);
  path.append(kTemporaryMarker);
  for (size_t i = 0; i < kTemporarySuffixLength; ++i) {
    path.push_back(kTemporaryAlphabet[random_bits % kTemporaryAlphabet.size()]);
    random_bits /= kTemporaryAlphabet.size();
  }
  return path;
}

// True when a file name (no folder) has exactly the form above.
inline bool IsTemporaryName(std::string_view name) {
  const size_t tail = kTemporaryMarker.size() + kTemporarySuffixLength;
  if (name.size() < 1 + 1 + tail || name.front() != '.') return false;
  const size_t stem = name.size() - 1 - tail;
  if (stem > kTemporaryStemLimit) return false;
  if (name.substr(1 + stem, kTemporaryMarker.size()) != kTemporaryMarker) return false;
  for (const char c : name.substr(name.size() - kTemporarySuffixLength)) {
    if (kTemporaryAlphabet.find(c) == std::string_view::npos) return false;
  }
  return name.substr(1, stem).find_first_of("/\\") == std::string_view::npos;
}

}  // namespace inhouse

#endif  // INHOUSE_SHARED_TEMPORARY_NAME_H
