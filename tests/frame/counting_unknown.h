// An object written by hand, the way a foreign host writes one, that counts
// what is done to it.
#ifndef QUENLOFT_TESTS_FRAME_COUNTING_UNKNOWN_H
#define QUENLOFT_TESTS_FRAME_COUNTING_UNKNOWN_H

#include "quenloft/quenloft.h"

namespace quenloft::testing {

// Starts with the test's own reference; answers IID_ITplResolver with
// itself. With `liar` set it refuses every ID but leaves itself in *out.
struct CountingUnknown : ITplUnknown {
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr) return TPL_E_INVALIDARG;
    *out = liar ? this : nullptr;
    if (liar || iid != IID_ITplResolver) return TPL_E_NOTIMPL;
    AddRef();
    *out = static_cast<ITplUnknown*>(this);
    return TPL_S_OK;
  }
  int32_t QL_CALL AddRef() override { return ++add_refs, ++count; }
  int32_t QL_CALL Release() override { return ++releases, --count; }

  int32_t count = 1;
  int add_refs = 0, releases = 0;
  bool liar = false;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_FRAME_COUNTING_UNKNOWN_H
