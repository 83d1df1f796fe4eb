// The base of objects a test implements for the library: they count their
// own references and never delete themselves, so a test can check that
// every reference the library took was given back.
#ifndef QUENLOFT_TESTS_SUPPORT_SELF_COUNTED_H
#define QUENLOFT_TESTS_SUPPORT_SELF_COUNTED_H

#include <atomic>
#include <cstdint>

#include "quenloft/quenloft.h"

namespace quenloft::testing {

template <class I>
class SelfCounted : public I {
 public:
  // By default the count starts with the test's own reference.
  explicit SelfCounted(int32_t initial = 1) : count_(initial) {}
  // A copy starts from its source's count, so helpers can return fakes.
  SelfCounted(const SelfCounted& other) : I(other), count_(other.count()) {}
  SelfCounted& operator=(const SelfCounted&) = delete;

  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out == nullptr) return TPL_E_INVALIDARG;
    *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }

  int32_t count() const { return count_; }

 private:
  std::atomic<int32_t> count_;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_SELF_COUNTED_H
