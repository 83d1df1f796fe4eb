// Text through ICvoString objects, the way the interfaces pass it out: the
// caller makes an empty string object, the callee fills it, the caller
// reads it at once into a string of its own. Header-only, C++17; link the
// object library (CorvaskObjs) for CreateCvoStringInstance.
//
//   quenloft::Text value;                     // a new, empty string object
//   manager->ResolveMacroText("System.Title", value);
//   std::string title = value.text();
//
// String objects may be a host's own that implement only the slots the
// library calls: SetText, GetLength, Empty and GetText besides the first
// three. Everything here uses those and nothing else.
#ifndef QUENLOFT_STRING_OBJECT_H
#define QUENLOFT_STRING_OBJECT_H

#include <CorvaskObjs/CvoString.h>

#include <cstring>
#include <string>
#include <string_view>

#include "quenloft/com_ptr.h"

namespace quenloft {

// A new, empty string object; null when it cannot be made.
inline ComPtr<ICvoString> NewString() noexcept {
  ComPtr<ICvoString> s;
  CreateCvoStringInstance(s.put());  // its result is not needed: s tells
  return s;
}

// The text of a string object; "" for null.
inline std::string ReadString(ICvoString* s) {
  const char* text = nullptr;
  if (s == nullptr || s->GetLength() == 0 || s->GetText(&text) != 0 || text == nullptr) return {};
  return std::string(text);
}

// Sets the text of a string object (null is ignored): SetText, or Empty for
// the empty text. The object receives the text up to its first zero byte.
inline void WriteString(ICvoString* s, const char* text) {  // null text: empty
  if (s == nullptr) return;
  if (text == nullptr || *text == '\0') {
    s->Empty();
  } else {
    s->SetText(text);
  }
}
inline void WriteString(ICvoString* s, const std::string& text) { WriteString(s, text.c_str()); }
inline void WriteString(ICvoString* s, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  if (s == nullptr || text.empty()) return WriteString(s, "");
  // SetText wants terminated text; names and arguments, the usual views,
  // are short enough to be terminated on the stack.
  char buffer[256];
  if (text.size() < sizeof buffer) {
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    WriteString(s, static_cast<const char*>(buffer));
  } else {
    WriteString(s, std::string(text));
  }
}

// One string object of the holder's own, released with it. Passes as the
// ICvoString* out-parameter of an operation.
class Text {
 public:
  Text() : s_(NewString()) {}
  explicit Text(std::string_view text) : Text() { WriteString(s_.get(), text); }
  Text(Text&&) noexcept = default;
  Text& operator=(Text&&) noexcept = default;

  ICvoString* get() const noexcept { return s_.get(); }       // null when none could be made
  operator ICvoString*() const noexcept { return s_.get(); }  // NOLINT(google-explicit-constructor)

  std::string text() const { return ReadString(s_.get()); }
  void set(std::string_view text) { WriteString(s_.get(), text); }
  void clear() { WriteString(s_.get(), ""); }

 private:
  ComPtr<ICvoString> s_;
};

}  // namespace quenloft

#endif  // QUENLOFT_STRING_OBJECT_H
