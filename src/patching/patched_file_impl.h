// CTplPatchedFileImpl: one template text file. It holds the file's text and
// name, cuts the text into plain-text runs and markers by the delimiters of
// the file's type (the text and type are fixed on the first Patch or
// SaveToFile), and composes the output by evaluating every marker in
// document order on every composition. It owns the
// "Local-CurrentPatchedFile" scope, handed out under ITplVariables and
// destroyed with the file.
//
// Content read from a file that holds a zero byte (binary data, UTF-16
// text) is kept as raw bytes: no marker in it is evaluated and SaveToFile
// writes it back byte for byte. Through the text operations (GetText,
// Patch) it still reads only up to its first zero byte.
//
// Memory: the text is kept as read, the output is composed into one buffer
// (a text without markers is its own output), and markers cost nothing to
// keep: the text is scanned again at each composition, one span at a
// time. A marker gets an expression object only when something needs one:
// on the straightforward path (no engine), every marker at the first cut;
// otherwise a marker of several statements or an assignment, a statement
// whose call someone asks for its context or container (or keeps past the
// statement), and every marker from the second composition on. Until then
// a marker's statement is resolved by the patched file itself
// (macro_engine.h), and a resolver receives a call lent for the statement,
// which the expression takes as its own when it is made. Calls keep their
// last result between compositions; for a marker first resolved without
// its expression, a note of the first output's bytes gives the call that
// result when it is made.
#ifndef QUENLOFT_PATCHING_PATCHED_FILE_IMPL_H
#define QUENLOFT_PATCHING_PATCHED_FILE_IMPL_H

#include <TAVLOR/ByteString.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "frame/boundary.h"
#include "language/statement_parser.h"
#include "patching/macro_engine.h"
#include "patching/marker_scanner.h"
#include "patching/objects.h"
#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplExpressionImpl;

class CTplPatchedFileImpl final : public ComObject<CTplPatchedFileImpl, ITplPatchedFile> {
 public:
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;
  static std::span<const QIEntry> InterfaceTable();

  // The manager that made the file; not counted: the file reaches it only
  // while the maker's life says it stands.
  explicit CTplPatchedFileImpl(const Maker& maker) noexcept : maker_(maker) {}
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
  class MarkerStatement;

  // The text and how it came: kept by the file, and by the parse once it
  // is cut, so that replacing the text afterwards changes no marker.
  struct Content {
    CByteString bytes;  // zero-terminated
    bool from_file = false;  // may hold a zero byte (looked for when it matters)
  };

  // A marker's expression, once it has one.
  struct Made {
    ComPtr<ITplExpression> expression;
    CTplExpressionImpl* own = nullptr;   // the same, made through the engine
    CTplExpressionImpl* made = nullptr;  // the same, whichever path made it
  };

  // One composition's walk over the text.
  struct Walk;

  static ITplUnknown* Scope(void* self);
  ITplUnknown* AsOwner() { return static_cast<ITplPatchedFile*>(this); }

  void ParseOnce();
  bool Raw();
  // The output: the cut text itself when it holds no marker (or is kept
  // raw), else `out` composed; null when its markers can no longer be
  // evaluated (the manager is gone).
  const CByteString* Compose(CByteString& out);
  void ComposeMarker(Walk& walk, const MarkerSpan& span);
  // The marker's statement resolved without its call; true when the value
  // is a result the file gave (which the note keeps).
  bool ComposeFast(Walk& walk, size_t ordinal, std::string_view marker, std::string_view inner);
  void EvaluateMade(Made made, std::string_view marker, ValueSink& out);
  // The marker's expression, made now (from its inner text) if it has
  // none; null if none can be made.
  CTplExpressionImpl* ExpressionFor(size_t ordinal, std::string_view inner);

  std::vector<Made> made_;  // by marker, in document order; empty: none yet
  std::shared_ptr<const Content> content_;  // null: empty text
  std::shared_ptr<const Content> parsed_;   // what the markers were cut from
  MarkerStyle style_ = MarkerStyleAny;      // fixed with parsed_
  int raw_ = -1;                            // parsed_ is raw: -1 not known yet
  std::string file_name_;
  Maker maker_;
  Owned<ITplVariables> scope_{nullptr, nullptr};

  // The first composition that met a marker, and for each marker of it the
  // length of its value and whether that value was a result the file gave
  // (varints of length * 2 + given).
  bool composed_ = false;
  int composing_ = 0;  // compositions under way (a resolver may start one)
  CByteString first_output_;
  std::string notes_;
  size_t noted_ = 0;  // markers with a note
};

// For the manager's own update step, which drives the file it made itself
// and reads the outcome of Save; null when it cannot be allocated. Any
// patched file received through an interface stays an ITplPatchedFile.
ComPtr<CTplPatchedFileImpl> MakeOwnPatchedFile(const Maker& maker);

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_PATCHED_FILE_IMPL_H
