#include "patching/chunks.h"

#include "quenloft/string_object.h"

namespace quenloft {

CTplMacroChunk::CTplMacroChunk(std::string_view marker, std::string_view inner,
                               ITplMacroServices* services, ITplUnknown* owner)
    : CTplChunk(kMacroChunk, marker) {
  if (services == nullptr) return;
  services->CreateExpression(expression_.put(), owner);
  if (expression_) expression_->SetText(std::string(inner).c_str());
}

void CTplMacroChunk::AppendValue(std::string& out) {
  if (!expression_) return;
  ComPtr<ICvoString> value = NewString();
  if (expression_->Evaluate(value.get()) != 0) {
    out.append(text());
    return;
  }
  const char* bytes = nullptr;
  if (value && value->GetLength() != 0 && value->GetText(&bytes) == 0 && bytes != nullptr) out.append(bytes);
}

}  // namespace quenloft
