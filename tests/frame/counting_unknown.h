// A hand-written object that counts what is done to it. It starts with the
// test's own reference and never deletes itself, so a test can compare the
// references taken with those given back.
#ifndef QUENLOFT_TESTS_FRAME_COUNTING_UNKNOWN_H
#define QUENLOFT_TESTS_FRAME_COUNTING_UNKNOWN_H

#include "quenloft/iids.h"
#include "quenloft/interfaces.h"

namespace quenloft::testing {

// Answers IID_ITplResolver only, handing out itself.
class CountingUnknown : public ITplUnknown {
 public:
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    ++queries;
    if (out == nullptr) return TPL_E_INVALIDARG;
    *out = nullptr;
    if (iid != IID_ITplResolver) return TPL_E_NOTIMPL;
    AddRef();
    *out = static_cast<ITplUnknown*>(this);
    return TPL_S_OK;
  }
  int32_t QL_CALL AddRef() override {
    ++add_refs;
    return ++count;
  }
  int32_t QL_CALL Release() override {
    ++releases;
    return --count;
  }

  int32_t count = 1;
  int add_refs = 0;
  int releases = 0;
  int queries = 0;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_FRAME_COUNTING_UNKNOWN_H
