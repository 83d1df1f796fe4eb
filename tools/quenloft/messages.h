// The tool's own messages on stderr.
#ifndef QUENLOFT_TOOL_MESSAGES_H
#define QUENLOFT_TOOL_MESSAGES_H

#include <cstdio>
#include <string>

namespace quenloft_tool {

// "quenloft: error: <text>" and the exit code to return.
inline int Fail(int exit_code, const std::string& text) {
  std::fprintf(stderr, "quenloft: error: %s\n", text.c_str());
  return exit_code;
}

inline void Warn(const std::string& text) {
  std::fprintf(stderr, "quenloft: warning: %s\n", text.c_str());
}

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_MESSAGES_H
