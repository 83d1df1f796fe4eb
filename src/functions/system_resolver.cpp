#include "functions/system_resolver.h"

#include <new>
#include <span>

#include "functions/sandbox.h"
#include "language/nearest_names.h"
#include "quenloft/com_object.h"
#include "quenloft/string_object.h"

namespace quenloft {

namespace {

constexpr char kSystemName[] = "System";

// Answers "System" and "System.<member>" from the manager's system values.
// Owner-held: the manager destroys it; Release never does.
//
// Results of ITplResolver as this resolver gives them:
//   QueryInterface  null out-pointer: 1; ITplResolver only
//   Initialize, Uninitialize, OnNameConflict  0
//   GetFirstName    "System", position 0; 0 (also for a missing argument)
//   GetNextName     empty, position 0; 0 (also for a missing argument)
//   Resolve         0 always; a key that is not stored sets no result
class CTplSystemResolver final : public OwnerHeldComObject<CTplSystemResolver, ITplResolver> {
 public:
  static constexpr int32_t kNullOutResult = 1;
  static std::span<const QIEntry> InterfaceTable() {
    static const QIEntry kTable[] = {
        {&IID_ITplResolver, &InterfaceOf<CTplSystemResolver, ITplResolver>},
    };
    return kTable;
  }

  // Registration and withdrawal of "System" happen here and in the
  // destructor only.
  CTplSystemResolver(const SystemValueMap* values, ITplMacroServices* services)
      : values_(values), services_(services) {
    if (services_ != nullptr) services_->RegisterName(kSystemName, this);
  }

  ~CTplSystemResolver() override {
    if (services_ != nullptr) services_->UnregisterName(kSystemName, this);
  }

  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }

  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override {
    if (name == nullptr || position == nullptr) return 0;
    *position = 0;
    name->SetText(kSystemName);
    return 0;
  }

  int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) override {
    if (name == nullptr || position == nullptr) return 0;
    *position = 0;
    name->SetText("");
    return 0;
  }

  int32_t QL_CALL OnNameConflict(const char*) override { return 0; }

  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    if (call == nullptr) return 0;
    return Guarded(0, [&] {
      ComPtr<ICvoString> text = NewString();
      if (!text || values_ == nullptr) return 0;
      call->GetName(text.get());
      std::string key = ReadString(text.get());
      if (key.empty()) return 0;
      text->Empty();
      call->GetMember(text.get());
      const std::string member = ReadString(text.get());
      if (!member.empty()) {
        key += '.';
        key += member;
      }
      const auto found = values_->find(key);
      if (found != values_->end()) {
        call->SetResult(found->second.c_str());
      } else {
        ExplainMissing(key);
      }
      return 0;
    });
  }

 private:
  // A key nobody set resolves to the statement's own text, which is rarely
  // what its author meant: the host's diagnostics hear of it.
  void ExplainMissing(const std::string& key) {
    if (services_ == nullptr) return;
    const ComPtr<ITplSandbox> sandbox =
        ComPtr<ITplMacroServices>::retain(services_).query<ITplSandbox>(IID_ITplSandbox);
    if (!sandbox || sandbox->Diagnosing() != 0) return;
    NearestNames nearest(key);
    for (const auto& entry : *values_) nearest.Consider(entry.first);
    const std::string reason = "'" + key + "' is not set" + nearest.Hint();
    sandbox->Explain(kUnknownSystemKeyCode, reason.c_str());
  }

  const SystemValueMap* values_;  // the manager's; not owned
  ITplMacroServices* services_;   // not counted; may be null
};

void DestroySystemResolver(ITplResolver* resolver) {
  // Only MakeSystemResolver hands this deleter out, with its own object.
  delete static_cast<CTplSystemResolver*>(resolver);
}

void DestroyNothing(ITplResolver*) {}

}  // namespace

Owned<ITplResolver> MakeSystemResolver(const SystemValueMap* values, ITplMacroServices* services) {
  CTplSystemResolver* resolver = new (std::nothrow) CTplSystemResolver(values, services);
  if (resolver == nullptr) return Owned<ITplResolver>(nullptr, &DestroyNothing);
  return Owned<ITplResolver>(resolver, &DestroySystemResolver);
}

}  // namespace quenloft
