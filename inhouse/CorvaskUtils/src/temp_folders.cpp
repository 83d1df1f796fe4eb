// Uniquely named folders in the system's temporary folder.
#include <cstring>

#include "CorvaskUtils/CorvaskUtils.h"
#include "os/clock_and_random.h"
#include "os/native_path.h"
#include "os/system_calls.h"

namespace os = inhouse::os;

namespace {

// mkdtemp replaces exactly six trailing "X"; longer suffixes get their
// first characters from here.
constexpr int kSystemSuffixLength = 6;
constexpr int kMaxSuffixLength = 64;

void AppendRandomCharacters(std::string* name, int count) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr uint64_t kAlphabetSize = sizeof kAlphabet - 1;
  uint64_t bits = 0;
  for (int i = 0; i < count; ++i) {
    if (i % 10 == 0) bits = os::RandomBits();  // 62^10 < 2^60
    name->push_back(kAlphabet[bits % kAlphabetSize]);
    bits /= kAlphabetSize;
  }
}

}  // namespace

std::string CreateUniqueTempFolder(const char* prefix, int length) try {
  if (prefix == nullptr) prefix = "";
  // The prefix names an entry of the temporary folder, never a way out.
  if (std::strpbrk(prefix, "/\\") != nullptr) return {};
  std::string folder = os::TemporaryFolder();
  if (folder.empty()) return {};
  if (!os::IsSeparator(folder.back())) folder.push_back(os::kPreferredSeparator);
  folder.append(prefix);
  const int suffix = length < kSystemSuffixLength   ? kSystemSuffixLength
                     : length > kMaxSuffixLength ? kMaxSuffixLength
                                                 : length;
  AppendRandomCharacters(&folder, suffix - kSystemSuffixLength);
  folder.append(kSystemSuffixLength, 'X');
  if (!os::MakeUniqueFolder(&folder)) return {};
  folder.push_back(os::kPreferredSeparator);
  return folder;
} catch (...) {
  return {};  // out of memory
}

int RemoveUniqueTempFolder(const char* path) try {
  std::string native;
  if (!os::ToNativePath(path, &native)) return 0;
  // Without a trailing "/" a symbolic link is removed as itself rather
  // than resolved.
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native == "/") return 0;
  return os::RemoveTree(native) ? 1 : 0;
} catch (...) {
  return 0;  // out of memory
}
