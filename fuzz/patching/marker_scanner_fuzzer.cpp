// Differential fuzzing of the marker scanner: the fast scanner must cut
// every text exactly as the byte-by-byte reference does. The first input
// byte chooses the file type, the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "patching/marker_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto style = static_cast<quenloft::MarkerStyle>(data[0] % 4);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (quenloft::ScanMarkers(text, style) != quenloft::ScanMarkersReference(text, style)) {
    std::fprintf(stderr, "fast and reference scanners disagree (file type %d)\n",
                 static_cast<int>(style));
    std::abort();
  }
  return 0;
}
