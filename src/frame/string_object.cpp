#include "frame/string_object.h"

#include <cstring>

namespace quenloft {

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

void WriteString(ICvoString* s, std::string_view text) {
  if (s == nullptr) return;
  if (text.empty()) {
    s->Empty();
    return;
  }
  const size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  s->SetBytes(text.data(), static_cast<int32_t>(text.size()));
}

}  // namespace quenloft
