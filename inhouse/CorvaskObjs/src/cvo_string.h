// The one implementation of ICvoString.
#ifndef CORVASKOBJS_SRC_CVO_STRING_H
#define CORVASKOBJS_SRC_CVO_STRING_H

#include <atomic>
#include <cstdint>
#include <string>

#include "CorvaskObjs/CvoString.h"

namespace corvask {

inline constexpr int32_t kOk = 0;
inline constexpr int32_t kFailed = 1;
inline constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057u);
inline constexpr int32_t kNotImpl = static_cast<int32_t>(0x80004001u);

// Self-owned: made with a count of 0, destroys itself when Release brings
// the count back to 0. Every operation catches what it could throw
// (allocation failure) and answers 1.
class CvoString final : public ICvoString {
 public:
  CvoString() = default;
  explicit CvoString(std::string text) : text_(std::move(text)) {}

  int32_t CVO_CALL QueryInterface(const CvoIID& iid, void** out) override;
  int32_t CVO_CALL AddRef() override;
  int32_t CVO_CALL Release() override;
  int32_t CVO_CALL SetText(const char* text) override;
  int32_t CVO_CALL AppendText(const char* text) override;
  int32_t CVO_CALL GetLength() override;
  int32_t CVO_CALL Empty() override;
  int32_t CVO_CALL SetBytes(const char* bytes, int32_t length) override;
  int32_t CVO_CALL AppendBytes(const char* bytes, int32_t length) override;
  int32_t CVO_CALL Compare(const char* text, int32_t* result) override;
  int32_t CVO_CALL CompareNoCase(const char* text, int32_t* result) override;
  int32_t CVO_CALL MakeLower() override;
  int32_t CVO_CALL MakeUpper() override;
  int32_t CVO_CALL Trim() override;
  int32_t CVO_CALL Find(const char* text, int32_t start, int32_t* position) override;
  int32_t CVO_CALL Left(int32_t count) override;
  int32_t CVO_CALL Mid(int32_t start, int32_t count) override;
  int32_t CVO_CALL Replace(const char* find, const char* replacement, int32_t* count) override;
  int32_t CVO_CALL Clone(ICvoString** out) override;
  int32_t CVO_CALL GetBytes(const char** bytes, int32_t* length) override;
  int32_t CVO_CALL IsEqual(ICvoString* other, int32_t* equal) override;
  int32_t CVO_CALL GetText(const char** text) override;

  // After the interface's slots, as the binary contract requires.
  virtual ~CvoString() = default;

 private:
  // Lengths cross the interface as int32_t; content never grows past that.
  static constexpr size_t kMaxLength = 0x7FFFFFFF;

  int32_t Assign(const char* bytes, size_t length) noexcept;
  int32_t Append(const char* bytes, size_t length) noexcept;

  std::atomic<int32_t> count_{0};
  std::string text_;
};

}  // namespace corvask

#endif  // CORVASKOBJS_SRC_CVO_STRING_H
