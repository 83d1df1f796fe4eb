// String objects in tests: the text of one, and one the test owns.
#ifndef QUENLOFT_TESTS_SUPPORT_TEXT_H
#define QUENLOFT_TESTS_SUPPORT_TEXT_H

#include <CorvaskObjs/CvoString.h>

#include <string>

namespace quenloft::testing {

// The text of a string object; "" for none.
inline std::string TextOf(ICvoString* s) {
  const char* text = nullptr;
  if (s == nullptr || s->GetLength() == 0 || s->GetText(&text) != 0 || text == nullptr) return {};
  return text;
}

// A string object made the way hosts make them, released with the scope.
class Text {
 public:
  Text() { CreateCvoStringInstance(&s_); }
  ~Text() {
    if (s_ != nullptr) s_->Release();
  }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  ICvoString* get() const { return s_; }
  operator ICvoString*() const { return s_; }  // NOLINT(google-explicit-constructor)
  std::string text() const { return TextOf(s_); }

 private:
  ICvoString* s_ = nullptr;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_TEXT_H
