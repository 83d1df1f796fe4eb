// Objects for the frame tests: a hand-written counter that never deletes
// itself, and ComObject probes with duplicate and failing table entries.
#ifndef QUENLOFT_TESTS_FRAME_PROBE_OBJECT_H
#define QUENLOFT_TESTS_FRAME_PROBE_OBJECT_H

#include <new>
#include <span>

#include "frame/com_object.h"

namespace quenloft::testing {

// Starts with the test's own reference; answers IID_ITplResolver only.
struct CountingUnknown : ITplUnknown {
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr) return TPL_E_INVALIDARG;
    *out = nullptr;
    if (iid != IID_ITplResolver) return TPL_E_NOTIMPL;
    AddRef();
    *out = static_cast<ITplUnknown*>(this);
    return TPL_S_OK;
  }
  int32_t QL_CALL AddRef() override { return ++add_refs, ++count; }
  int32_t QL_CALL Release() override { return ++releases, --count; }
  int32_t count = 1;
  int add_refs = 0, releases = 0;
};

struct Tally {
  int destroyed = 0;
};

// A near miss of IID_ITplResolver: only the last byte differs.
inline constexpr TplIID kNearResolverIID = {
    0x4E549F44, 0xFEE1, 0x11D4, {0x94, 0xB2, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB1}};
inline constexpr TplIID kZeroIID = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

template <Lifetime L, int32_t NullOut>
class Probe final : public ComObject<Probe<L, NullOut>, ITplResolverSet, ITplResolver> {
 public:
  static constexpr Lifetime kLifetime = L;
  static constexpr int32_t kNullOutResult = NullOut;

  // The second ITplResolver and ITplVariables entries must never be reached.
  static std::span<const QIEntry> InterfaceTable() {
    static const QIEntry kTable[] = {
        {&IID_ITplResolverSet, &InterfaceOf<Probe, ITplResolverSet>},
        {&IID_ITplResolver, &InterfaceOf<Probe, ITplResolver>},
        {&IID_ITplResolver, &InterfaceOf<Probe, ITplResolverSet>},
        {&IID_ITplVariables, [](void* self) { return static_cast<Probe*>(self)->extra; }},
        {&IID_ITplVariables, &InterfaceOf<Probe, ITplResolverSet>},
        {&IID_ITplMacroCall, [](void*) -> ITplUnknown* { throw std::bad_alloc(); }},
    };
    return kTable;
  }

  explicit Probe(Tally* tally) : tally_(tally) {}
  ~Probe() override { ++tally_->destroyed; }

  int32_t Count() const { return this->RefCount(); }
  ITplResolverSet* AsSet() { return this; }
  ITplResolver* AsResolver() { return this; }

  ITplUnknown* extra = nullptr;  // handed out for ITplVariables; null: cannot be made

  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL SetManager(ITplManager*) override { return 0; }
  int32_t QL_CALL SetHostPath(const char*) override { return 0; }
  int32_t QL_CALL SetHostParam(const char*) override { return 0; }
  int32_t QL_CALL Reserved(int32_t) override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString*, int32_t*) override { return 1; }
  int32_t QL_CALL GetNextName(ICvoString*, int32_t*) override { return 1; }
  int32_t QL_CALL OnNameConflict(const char*) override { return 0; }
  int32_t QL_CALL Resolve(ITplMacroCall*) override { return 1; }

 private:
  Tally* tally_;
};

using SelfOwnedProbe = Probe<Lifetime::kSelfOwned, TPL_E_INVALIDARG>;
using OwnerHeldProbe = Probe<Lifetime::kOwnerHeld, 1>;
using ManagerLikeProbe = Probe<Lifetime::kSelfOwned, TPL_E_NOTIMPL>;

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_FRAME_PROBE_OBJECT_H
