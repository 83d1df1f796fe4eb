// The library's fixed texts (messages, timing labels) are printf formats
// with up to two "%s"; this fills them in.
#ifndef QUENLOFT_FRAME_FORMAT_TEXT_H
#define QUENLOFT_FRAME_FORMAT_TEXT_H

#include <cstdio>
#include <string>

namespace quenloft {

inline std::string FormatText(const char* format, const std::string& a,
                              const std::string& b = {}) {
  const int size = std::snprintf(nullptr, 0, format, a.c_str(), b.c_str());
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  std::snprintf(out.data(), out.size() + 1, format, a.c_str(), b.c_str());
  return out;
}

}  // namespace quenloft

#endif  // QUENLOFT_FRAME_FORMAT_TEXT_H
