// The pieces a patched file cuts its text into: runs of plain text and
// macro markers. Chunks view the text they were cut from; the patched file
// keeps that text alive as long as its chunks.
#ifndef QUENLOFT_PATCHING_CHUNKS_H
#define QUENLOFT_PATCHING_CHUNKS_H

#include <cstdint>
#include <string>
#include <string_view>

#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplChunk {
 public:
  enum Kind : int32_t {
    kTextChunk = 1,   // a run of plain text
    kMacroChunk = 2,  // a marker, delimiters included
  };

  virtual ~CTplChunk() = default;
  CTplChunk(const CTplChunk&) = delete;
  CTplChunk& operator=(const CTplChunk&) = delete;

  Kind kind() const { return kind_; }
  std::string_view text() const { return text_; }

  // Appends the chunk's value to the output (rather than returning a copy,
  // so that composing moves every byte once).
  virtual void AppendValue(std::string& out) = 0;

 protected:
  CTplChunk(Kind kind, std::string_view text) : kind_(kind), text_(text) {}

 private:
  Kind kind_;
  std::string_view text_;
};

class CTplTextChunk final : public CTplChunk {
 public:
  explicit CTplTextChunk(std::string_view text) : CTplChunk(kTextChunk, text) {}
  void AppendValue(std::string& out) override { out.append(text()); }
};

// A marker evaluated through one expression that the services make for the
// owner (the patched file). Its value is the expression's value when every
// statement was resolved, otherwise the marker exactly as written; without
// an expression it is empty.
class CTplMacroChunk final : public CTplChunk {
 public:
  CTplMacroChunk(std::string_view marker, std::string_view inner, ITplMacroServices* services,
                 ITplUnknown* owner);
  void AppendValue(std::string& out) override;

 private:
  ComPtr<ITplExpression> expression_;
};

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_CHUNKS_H
