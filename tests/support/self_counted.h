// The base of objects a test implements for the library: owner-held, so
// they never delete themselves, and their count starts with the test's own
// reference, so a test can check that every reference the library took was
// given back. They answer no interface ID.
#ifndef QUENLOFT_TESTS_SUPPORT_SELF_COUNTED_H
#define QUENLOFT_TESTS_SUPPORT_SELF_COUNTED_H

#include "quenloft/com_object.h"
#include "quenloft/quenloft.h"

namespace quenloft::testing {

template <class I>
class SelfCounted : public OwnerHeldComObject<SelfCounted<I>, I> {
  using Base = OwnerHeldComObject<SelfCounted<I>, I>;

 public:
  static QITable InterfaceTable() { return {}; }

  explicit SelfCounted(int32_t initial = 1) : Base(initial) {}
  // A copy starts from its source's count, so helpers can return fakes.
  SelfCounted(const SelfCounted& other) : Base(other.count()) {}
  SelfCounted& operator=(const SelfCounted&) = delete;

  int32_t count() const { return this->RefCount(); }
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_SELF_COUNTED_H
