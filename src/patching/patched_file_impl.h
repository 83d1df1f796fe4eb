// CTplPatchedFileImpl: one template text file. It holds the file's text and
// name, cuts the text into plain-text and macro chunks by the marker
// delimiters of the file's type (once, on the first Patch or SaveToFile),
// and composes the output by evaluating every marker in document order on
// every composition. It owns the "Local-CurrentPatchedFile" scope, handed
// out under ITplVariables and destroyed with the file.
//
// Content read from a file that holds a zero byte (binary data, UTF-16
// text) is kept as raw bytes: no marker in it is evaluated and SaveToFile
// writes it back byte for byte. Through the text operations (GetText,
// Patch) it still reads only up to its first zero byte.
#ifndef QUENLOFT_PATCHING_PATCHED_FILE_IMPL_H
#define QUENLOFT_PATCHING_PATCHED_FILE_IMPL_H

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "frame/boundary.h"
#include "patching/chunks.h"
#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplPatchedFileImpl final : public ComObject<CTplPatchedFileImpl, ITplPatchedFile> {
 public:
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;
  static std::span<const QIEntry> InterfaceTable();

  // services: the manager that made the file; not counted.
  explicit CTplPatchedFileImpl(ITplMacroServices* services) noexcept : services_(services) {}
  ~CTplPatchedFileImpl() override;

  int32_t QL_CALL SetText(const char* text) override;
  int32_t QL_CALL GetText(ICvoString* out) override;
  int32_t QL_CALL SetFileName(const char* path) override;
  int32_t QL_CALL GetFileName(ICvoString* out) override;
  int32_t QL_CALL Patch(ICvoString* out) override;
  int32_t QL_CALL LoadFromFile(const char* path) override;
  int32_t QL_CALL SaveToFile(const char* path) override;
  int32_t QL_CALL AttachFileName(const char* path) override;

  // SaveToFile with its outcome: false when nothing was written (no file
  // name, or the write failed). The interface's SaveToFile returns 0 in
  // every case; the manager's own update step needs to know.
  bool Save(const char* path) noexcept;

 private:
  // The text and how it came: shared with the chunks cut from it, so that
  // replacing the text after the parse leaves them valid.
  struct Content {
    std::string bytes;
    bool raw = false;  // read from a file and holds a zero byte
  };

  static ITplUnknown* Scope(void* self);

  void ParseOnce();
  std::string Compose();

  std::vector<std::unique_ptr<CTplChunk>> chunks_;
  std::shared_ptr<const Content> content_;  // null: empty text
  std::shared_ptr<const Content> parsed_;   // what chunks_ view
  std::string file_name_;
  ITplMacroServices* services_;
  Owned<ITplVariables> scope_{nullptr, nullptr};
};

// For the manager's own update step, which drives the file it made itself
// and reads the outcome of Save; null when it cannot be allocated. Any
// patched file received through an interface stays an ITplPatchedFile.
ComPtr<CTplPatchedFileImpl> MakeOwnPatchedFile(ITplMacroServices* services);

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_PATCHED_FILE_IMPL_H
