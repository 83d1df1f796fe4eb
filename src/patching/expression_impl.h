// CTplExpressionImpl: the text of one marker, cut at ";" into statements,
// one macro call each. Evaluate has the manager resolve every call in text
// order and joins their values; the scope "Local-CurrentExpression" lives
// for one evaluation. Self-owned; used by one thread at a time.
#ifndef QUENLOFT_PATCHING_EXPRESSION_IMPL_H
#define QUENLOFT_PATCHING_EXPRESSION_IMPL_H

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/boundary.h"
#include "patching/macro_engine.h"
#include "patching/objects.h"
#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplMacroCallImpl;

class CTplExpressionImpl final : public ComObject<CTplExpressionImpl, ITplExpression> {
 public:
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;
  static std::span<const QIEntry> InterfaceTable();

  // Call-listing positions; any other value designates entry value - 1.
  static constexpr uint32_t kBeforeFirst = 0xFFFFFFFFu;
  static constexpr uint32_t kAfterLast = 0;

  // Neither pointer is counted: the expression reaches the manager only
  // while the maker's life says it stands, and the owner (the patched
  // file) holds it and tells it when it goes.
  CTplExpressionImpl(const Maker& maker, ITplUnknown* owner) : maker_(maker), owner_(owner) {}
  ~CTplExpressionImpl() override;

  int32_t QL_CALL SetText(const char* text) override;
  int32_t QL_CALL GetText(ICvoString* out) override;
  int32_t QL_CALL GetFirstCall(ITplMacroCall** call, uint32_t* position) override;
  int32_t QL_CALL GetNextCall(ITplMacroCall** call, uint32_t* position) override;
  int32_t QL_CALL Evaluate(ICvoString* out) override;
  int32_t QL_CALL GetOwner(ITplUnknown** out) override;
  int32_t QL_CALL Clone(ITplExpression** out) override;

  // For the patched file that made the expression.
  enum class Outcome {
    kNotParsed,  // the text never parses: nothing resolved, nothing written
    kFailed,     // a statement was not resolved: nothing written
    kResolved,   // every statement resolved: the value written
  };
  // SetText from a view.
  void SetTextFrom(std::string_view text) { text_.assign(text); }
  // Evaluate, with the value written to out.
  Outcome EvaluateInto(ValueSink& out);
  // The one call of a one-statement expression, parsed now if need be;
  // null otherwise. For a statement begun before the expression existed.
  CTplMacroCallImpl* OnlyCall();
  // Takes a call of the engine's that was resolved for this expression's
  // one statement before the expression existed: it becomes the
  // expression's call, as if parsed from its text.
  void Adopt(const ComPtr<CTplMacroCallImpl>& call);
  // The end of an evaluation that the caller ran on OnlyCall's call.
  void EndEvaluation() { DropScope(); }
  // The owner is going: a holder that keeps the expression sees it
  // without one. The scope goes now too, its names leaving the registry
  // on the thread that ends the owner, not wherever (on any thread) the
  // holder lets go of the expression.
  void ForgetOwner() {
    if (!kept_owner_) owner_ = nullptr;
    DropScope();
  }
  // An owner that does not hold the expression (the container a function
  // evaluates a text for): counted, so that a holder keeping the
  // expression beyond it never reaches a freed owner. No cycle.
  void KeepOwner(ITplUnknown* owner) {
    kept_owner_ = ComPtr<ITplUnknown>::retain(owner);
    owner_ = owner;
  }

 private:
  static ITplUnknown* ScopeInterface(void* self);

  struct Statement {
    ComPtr<ITplMacroCall> call;
    CTplMacroCallImpl* own;   // the same call, when the engine made it
    CTplMacroCallImpl* made;  // the same call, whichever path made it
  };

  bool Parse();
  void AddStatement(std::string_view statement);
  void DropScope();

  std::vector<Statement> calls_;
  std::string text_;
  Maker maker_;
  ITplUnknown* owner_;
  ComPtr<ITplUnknown> kept_owner_;  // owner_, when the expression keeps it
  Owned<ITplVariables> scope_{nullptr, nullptr};
};

ComPtr<CTplExpressionImpl> MakeOwnExpression(const Maker& maker, ITplUnknown* owner);

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_EXPRESSION_IMPL_H
