#include "text_object.h"

namespace quenloft_tool {

Ref<ICvoString> MakeText(const std::string& text) {
  Ref<ICvoString> s;
  if (CreateCvoStringInstance(s.put()) != 0 || !s) return {};
  s->SetBytes(text.data(), static_cast<int32_t>(text.size()));
  return s;
}

std::string ReadText(ICvoString* text) {
  if (text == nullptr) return {};
  const char* bytes = nullptr;
  int32_t length = 0;
  if (text->GetBytes(&bytes, &length) != 0 || bytes == nullptr || length <= 0) return {};
  return std::string(bytes, static_cast<size_t>(length));
}

}  // namespace quenloft_tool
