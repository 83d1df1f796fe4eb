// Differential fuzzing of the fast paths: the input's bytes are the
// choices that draw a script (tests/patching/fast_path_differential.h),
// which is run on a manager with the fast paths and on one without; the
// two journals of host calls must be the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "patching/fast_path_differential.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t at = 0;
  const quenloft::differential::Choose choose = [&](uint32_t count) -> uint32_t {
    return at < size ? data[at++] % count : 0;
  };
  const quenloft::differential::Script script = quenloft::differential::MakeScript(choose);
  const std::string disagreement = quenloft::differential::Disagreement(script);
  if (!disagreement.empty()) {
    std::fprintf(stderr, "the fast and straightforward paths disagree on %s\n",
                 disagreement.c_str());
    std::abort();
  }
  return 0;
}
