#include "patching/patched_file_impl.h"

#include <cstring>
#include <new>

#include <CorvaskUtils/CorvaskUtils.h>
#include <TAVLOR/ByteString.h>

#include "patching/marker_scanner.h"
#include "patching/objects.h"
#include "quenloft/string_object.h"

namespace quenloft {

ComPtr<CTplPatchedFileImpl> MakeOwnPatchedFile(ITplMacroServices* services) {
  return ComPtr<CTplPatchedFileImpl>::retain(new (std::nothrow) CTplPatchedFileImpl(services));
}

ComPtr<ITplPatchedFile> MakePatchedFile(ITplMacroServices* services) {
  return ComPtr<ITplPatchedFile>::adopt(MakeOwnPatchedFile(services).detach());
}

std::span<const QIEntry> CTplPatchedFileImpl::InterfaceTable() {
  static constexpr QIEntry kTable[] = {
      {&IID_ITplPatchedFile, &InterfaceOf<CTplPatchedFileImpl, ITplPatchedFile>},
      {&IID_ITplVariables, &CTplPatchedFileImpl::Scope},
  };
  return kTable;
}

ITplUnknown* CTplPatchedFileImpl::Scope(void* self) {
  auto* file = static_cast<CTplPatchedFileImpl*>(self);
  if (!file->scope_) file->scope_ = MakeVariableScope(file->services_, kFileScopeName);
  return file->scope_.get();
}

CTplPatchedFileImpl::~CTplPatchedFileImpl() {
  // The scope goes first: its names leave the manager's registry before the
  // expressions that may have assigned them.
  scope_.reset();
  chunks_.clear();
}

int32_t CTplPatchedFileImpl::SetText(const char* text) {
  return Guarded(0, [&] {
    auto content = std::make_shared<Content>();
    if (text != nullptr) content->bytes = text;
    content_ = std::move(content);
    return 0;
  });
}

int32_t CTplPatchedFileImpl::GetText(ICvoString* out) {
  return Guarded(0, [&] {
    static const std::string kNoText;
    WriteString(out, content_ ? content_->bytes : kNoText);
    return 0;
  });
}

int32_t CTplPatchedFileImpl::SetFileName(const char* path) {
  return Guarded(0, [&] {
    file_name_ = path != nullptr ? path : "";
    return 0;
  });
}

int32_t CTplPatchedFileImpl::GetFileName(ICvoString* out) {
  if (out == nullptr) return 1;
  return Guarded(0, [&] {
    WriteString(out, file_name_);
    return 0;
  });
}

int32_t CTplPatchedFileImpl::AttachFileName(const char* path) { return SetFileName(path); }

int32_t CTplPatchedFileImpl::Patch(ICvoString* out) {
  return Guarded(0, [&] {
    ParseOnce();
    const std::string output = Compose();
    if (out != nullptr) WriteString(out, output);
    return 0;
  });
}

int32_t CTplPatchedFileImpl::LoadFromFile(const char* path) {
  return Guarded(0, [&] {
    if (path == nullptr || FileExist(path) == 0) return 0;
    CByteString bytes;
    // A file that cannot be read changes nothing: no empty text is left
    // behind for a later SaveToFile to write over the file.
    if (bytes.LoadFromFile(path) == 0) return 0;
    auto content = std::make_shared<Content>();
    content->bytes.assign(bytes.GetContent(), bytes.GetLength());
    content->raw = bytes.HasZeroByte();
    file_name_ = path;
    content_ = std::move(content);
    return 0;
  });
}

int32_t CTplPatchedFileImpl::SaveToFile(const char* path) {
  Save(path);  // callers of the interface are not told the outcome
  return 0;
}

bool CTplPatchedFileImpl::Save(const char* path) noexcept {
  if (path == nullptr || file_name_.empty()) return false;
  return Guarded(false, [&] {
    ParseOnce();
    const std::string output = Compose();
    // The write goes to a temporary file renamed over the target, so a
    // failed write leaves the old file whole.
    return CByteString(output.data(), output.size()).SaveToFile(path) != 0;
  });
}

void CTplPatchedFileImpl::ParseOnce() {
  if (!chunks_.empty() || !content_) return;
  parsed_ = content_;
  const std::string_view text = parsed_->bytes;
  ITplUnknown* owner = static_cast<ITplPatchedFile*>(this);
  // On a failure the chunks made so far stay.
  Guarded(false, [&] {
    if (parsed_->raw) {
      if (!text.empty()) chunks_.push_back(std::make_unique<CTplTextChunk>(text));
      return true;
    }
    for (const MarkerSpan& span : ScanMarkers(text, MarkerStyleOfFileName(file_name_.c_str()))) {
      const std::string_view whole = text.substr(span.begin, span.end - span.begin);
      if (span.kind == MarkerSpan::kText) {
        chunks_.push_back(std::make_unique<CTplTextChunk>(whole));
      } else {
        const std::string_view inner =
            text.substr(span.inner_begin, span.inner_end - span.inner_begin);
        chunks_.push_back(std::make_unique<CTplMacroChunk>(whole, inner, services_, owner));
      }
    }
    return true;
  });
}

std::string CTplPatchedFileImpl::Compose() {
  std::string output;
  if (parsed_) output.reserve(parsed_->bytes.size());
  for (const std::unique_ptr<CTplChunk>& chunk : chunks_) chunk->AppendValue(output);
  return output;
}

}  // namespace quenloft
