// The set's Initialize of the throwing C module: it registers as the others
// do, then throws into the library, which must catch at its boundary and
// take the set back.
#include <cstdint>
#include <stdexcept>

#if defined(_WIN32) && !defined(_WIN64)
#define HOSTCALL __stdcall
#else
#define HOSTCALL
#endif

extern "C" {
int32_t HOSTCALL QlTestSetInitialize(void* self);

int32_t HOSTCALL QlTestThrowingInitialize(void* self) {
  QlTestSetInitialize(self);
  throw std::runtime_error("set cannot start");
}
}
