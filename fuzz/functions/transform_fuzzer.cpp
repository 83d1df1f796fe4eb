// Transform's engine on small inputs: the input is a style sheet, a zero
// byte, and the XML document (a fixed one when there is no zero byte),
// transformed under small limits. Beside the sanitizers' findings it checks
// that a stopped transformation gave nothing and that no file was read
// (the texts may name ../outside/secret.txt of the scratch folder).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/xslt.h"
#include "support/scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const quenloft_fuzz::ScratchFolder scratch({});
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string_view stylesheet = input.substr(0, split);
  const std::string_view xml =
      split == std::string_view::npos ? std::string_view("<a>text</a>") : input.substr(split + 1);

  quenloft::platform::TransformLimits limits;
  limits.max_depth = 100;
  limits.time_limit_ms = 200;
  quenloft::platform::TransformStop stopped = quenloft::platform::TransformStop::kNone;
  scratch.Enter();
  const std::optional<std::string> result =
      quenloft::platform::TransformXml(xml, stylesheet, limits, &stopped);
  scratch.Leave();
  if (result && stopped != quenloft::platform::TransformStop::kNone) std::abort();
  scratch.CheckUntouched();
  return 0;
}
