// Placeholder until Transform lands.
#include "platform/xslt.h"

namespace quenloft::platform {

std::optional<std::string> TransformXml(std::string_view, std::string_view) { return std::nullopt; }

}  // namespace quenloft::platform
