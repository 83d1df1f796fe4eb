// Exceptions never cross an interface or an export: boundary functions run
// their body through Guarded, which turns any exception into the
// operation's failure result. Inside, a step whose exception is to be
// swallowed (a foreign object's call whose outcome does not matter) runs
// through it too, with the result ignored.
#ifndef QUENLOFT_FRAME_BOUNDARY_H
#define QUENLOFT_FRAME_BOUNDARY_H

#include <memory>

namespace quenloft {

template <class R, class F>
R Guarded(R on_failure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return on_failure;
  }
}

// Owner-held objects are handed to their owners behind an interface with a
// deleter that knows the implementation class (interfaces have no virtual
// destructor of their own).
template <class I>
using Owned = std::unique_ptr<I, void (*)(I*)>;

}  // namespace quenloft

#endif  // QUENLOFT_FRAME_BOUNDARY_H
