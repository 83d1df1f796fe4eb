// CTplMacroCallImpl: one statement. SetText parses it into assignment
// target, name, member and arguments; resolvers read those and give the
// result back; GetValue says what the statement contributes to its
// expression. Self-owned; used by one thread at a time. A call made for a
// manager's pool goes back to it at its last Release.
#ifndef QUENLOFT_PATCHING_MACRO_CALL_IMPL_H
#define QUENLOFT_PATCHING_MACRO_CALL_IMPL_H

#include <string>
#include <string_view>
#include <utility>

#include "language/statement_parser.h"
#include "patching/macro_engine.h"
#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplMacroCallImpl final : public OwnerHeldComObject<CTplMacroCallImpl, ITplMacroCall> {
 public:
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;

  // Neither pointer is counted: the call reaches the manager only while
  // its life says it stands, and the owning expression holds the call
  // (and tells it when it goes, see ForgetOwner). An owner the call does
  // not belong to is counted (KeepOwner).
  CTplMacroCallImpl(ITplMacroServices* services, ITplExpression* owner, ComPtr<ManagerLife> life)
      : services_(services), owner_(owner), life_(std::move(life)) {}

  int32_t QL_CALL Release() override;

  int32_t QL_CALL SetText(const char* text) override;
  int32_t QL_CALL GetText(ICvoString* out) override;
  int32_t QL_CALL GetName(ICvoString* out) override;
  int32_t QL_CALL GetMember(ICvoString* out) override;
  int32_t QL_CALL GetArgCount(int32_t* count) override;
  int32_t QL_CALL GetArg(int32_t index, ICvoString* out) override;
  int32_t QL_CALL GetAssignTarget(ICvoString* out) override;
  int32_t QL_CALL GetContext(ITplExpression** out) override;
  int32_t QL_CALL GetContainer(ITplUnknown** out) override;
  int32_t QL_CALL SetResult(const char* text) override;
  int32_t QL_CALL GetResult(ICvoString* out) override;
  int32_t QL_CALL SetResultObject(ITplUnknown* object) override;
  int32_t QL_CALL GetResultObject(ITplUnknown** out) override;
  int32_t QL_CALL GetValue(ICvoString* out) override;
  int32_t QL_CALL Clone(ITplMacroCall** out) override;

  // What the library's own code reads and writes directly.
  // SetText from a view; false for an empty statement (nothing changes).
  bool SetStatement(std::string_view text);
  // The same for a statement parsed already into parts (views into text):
  // the parts are carried over instead of parsed again.
  bool SetStatement(std::string_view text, const StatementParts& parts);
  std::string_view text() const { return text_; }
  const StatementParts& parts() const { return parts_; }
  bool has_result() const { return result_set_; }
  std::string_view result() const { return result_; }
  void SetResultText(std::string_view text);
  void AppendValue(ValueSink& out) const;  // GetValue's text

  // For the pool: the call as made, with its buffers kept.
  void Recycle() noexcept;

  // Makes the owner of a call lent without one, the first time anyone
  // asks for it (GetContext, GetContainer, Clone): a patched file that
  // resolves a marker's statement itself makes the marker's expression
  // only when someone may see it.
  class OwnerMaker {
   public:
    virtual ITplExpression* MakeOwner(CTplMacroCallImpl& call) = 0;

   protected:
    ~OwnerMaker() = default;
  };
  void SetOwnerMaker(OwnerMaker* maker) { owner_maker_ = maker; }
  // The maker is going away: a holder of the call besides the caller's
  // one reference may ask for the owner later, so it is made now.
  void ForgetOwnerMaker() {
    if (HeldElsewhere()) Owner();
    owner_maker_ = nullptr;
  }
  void SetOwner(ITplExpression* owner) {
    kept_owner_.reset();
    owner_ = owner;
    owner_maker_ = nullptr;
  }
  // An owner that does not hold the call (a context lent for an argument
  // or a resolved text): counted, so that a holder keeping the call past
  // the resolution never reaches a freed owner. No cycle: the owner does
  // not hold such a call.
  void KeepOwner(ITplExpression* owner) {
    SetOwner(owner);
    kept_owner_ = ComPtr<ITplExpression>::retain(owner);
  }
  // The owner is going: a holder that keeps the call sees it without one.
  void ForgetOwner(const ITplExpression* owner) {
    if (owner_ == owner && !kept_owner_) SetOwner(nullptr);
  }
  // The owner, made now if it is still to be made; null without one.
  ITplExpression* Owner();
  // True when someone holds the call besides the caller's one reference.
  bool HeldElsewhere() const { return RefCount() > 1; }

 private:
  friend class MacroEngine;  // makes calls for its pool
  friend class ObjectPool<CTplMacroCallImpl>;
  ~CTplMacroCallImpl() override = default;
  // Takes text as the statement, its parts and result cleared; false for
  // an empty text (nothing changes).
  bool TakeText(std::string_view text);

  std::string text_;
  StatementParts parts_;  // views into text_, renewed whenever text_ changes
  std::string result_;
  ComPtr<ITplUnknown> result_object_;
  bool result_set_ = false;
  bool object_set_ = false;
  ITplMacroServices* services_;
  ITplExpression* owner_;
  ComPtr<ITplExpression> kept_owner_;  // owner_, when the call keeps it
  ComPtr<ManagerLife> life_;           // the manager's
  OwnerMaker* owner_maker_ = nullptr;
  MacroEngine* engine_ = nullptr;  // the manager's, for a call of the library's making
  ObjectPool<CTplMacroCallImpl>* pool_ = nullptr;
  PoolLink<CTplMacroCallImpl> pool_link_;
};

// A call the library made, as the resolution reads it: directly.
class OwnCallStatement final : public StatementView {
 public:
  explicit OwnCallStatement(CTplMacroCallImpl& call) : call_(call) {}

  std::string_view Name() override { return call_.parts().name; }
  std::string_view Text() override { return call_.text(); }
  std::string_view Target() override { return call_.parts().target; }
  bool AnswerableDirectly() const override { return true; }
  void SetResult(std::string_view result) override { call_.SetResultText(result); }
  std::string_view Result() override { return call_.result(); }
  ITplMacroCall* Call() override { return &call_; }
  CTplMacroCallImpl* MadeCall() override { return &call_; }
  std::string ContainerFileName() override;
  ComPtr<ITplVariables> ContainerScope() override;
  ComPtr<ITplVariables> ContextScope() override;

 private:
  CTplMacroCallImpl& call_;
};

// The file name of a container for the message about an unresolved
// statement: what its ITplPatchedFile says; "" for a container of another
// kind, or none.
std::string FileNameOfContainer(const ComPtr<ITplUnknown>& container);

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_MACRO_CALL_IMPL_H
