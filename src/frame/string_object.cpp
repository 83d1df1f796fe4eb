#include "frame/string_object.h"

#include <cstring>

namespace quenloft {

namespace {

// SetText takes zero-terminated text and stops at its first zero byte,
// which is the cut we want.
void SetTerminated(ICvoString* s, const char* text) {
  if (*text == '\0') {
    s->Empty();
  } else {
    s->SetText(text);
  }
}

}  // namespace

ComPtr<ICvoString> NewString() {
  ComPtr<ICvoString> s;
  CreateCvoStringInstance(s.put());
  return s;
}

std::string ReadString(ICvoString* s) {
  if (s == nullptr || s->GetLength() == 0) return {};
  const char* text = nullptr;
  if (s->GetText(&text) != 0 || text == nullptr) return {};
  return std::string(text);
}

void WriteString(ICvoString* s, const char* text) {
  if (s != nullptr) SetTerminated(s, text != nullptr ? text : "");
}

void WriteString(ICvoString* s, const std::string& text) {
  if (s != nullptr) SetTerminated(s, text.c_str());
}

void WriteString(ICvoString* s, std::string_view text) {
  if (s == nullptr) return;
  text = text.substr(0, text.find('\0'));
  if (text.empty()) {
    s->Empty();
    return;
  }
  // A view is not terminated; names and arguments (the usual views) are
  // short enough to be terminated on the stack.
  char buffer[256];
  if (text.size() < sizeof buffer) {
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    SetTerminated(s, buffer);
  } else {
    SetTerminated(s, std::string(text).c_str());
  }
}

}  // namespace quenloft
