// XSL transformation of two texts held in memory.
#ifndef QUENLOFT_PLATFORM_XSLT_H
#define QUENLOFT_PLATFORM_XSLT_H

#include <optional>
#include <string>
#include <string_view>

namespace quenloft::platform {

// Applies the style sheet to the XML document. No network access, no
// external entities, no file reads or writes by the style sheet (but
// document('') gives the style sheet itself); output serialised as the
// style sheet's output method says, without an XML declaration, in the
// system's code page whatever encoding it declares (UTF-8 on POSIX).
// Nothing on any failure.
std::optional<std::string> TransformXml(std::string_view xml, std::string_view stylesheet);

}  // namespace quenloft::platform

#endif  // QUENLOFT_PLATFORM_XSLT_H
