// XSL transformation of two texts held in memory.
#ifndef QUENLOFT_PLATFORM_XSLT_H
#define QUENLOFT_PLATFORM_XSLT_H

#include <optional>
#include <string>
#include <string_view>

#include "quenloft/conventions.h"

namespace quenloft::platform {

// How far one transformation may go before it is stopped.
struct TransformLimits {
  // Templates nested in one another, as libxslt counts them: a named
  // template called counts two (the call and the template).
  int max_depth = kDefaultTransformDepthLimit;
  int time_limit_ms = kDefaultTransformTimeLimit;  // wall-clock time
};

// Why a transformation was cut short.
enum class TransformStop {
  kNone,     // it ran to its end or failed on its own
  kTooDeep,  // templates nested deeper than max_depth, or too many variables
  kTooLong,  // it ran out of time
};

// Applies the style sheet to the XML document. No network access, no
// external entities, no file reads or writes by the style sheet (but
// document('') gives the style sheet itself); output serialised as the
// style sheet's output method says, without an XML declaration, in the
// system's code page whatever encoding it declares (UTF-8 on POSIX).
// Nothing on any failure. A transformation that passes a limit is stopped
// and fails, and *stopped (when given) says which limit it passed. The XML
// DOM component of Windows keeps limits of its own: there the limits are
// not applied. On a failure *error (when given) receives the first error
// the XML engine gave, as one line.
std::optional<std::string> TransformXml(std::string_view xml, std::string_view stylesheet,
                                        const TransformLimits& limits = {},
                                        TransformStop* stopped = nullptr,
                                        std::string* error = nullptr);

}  // namespace quenloft::platform

#endif  // QUENLOFT_PLATFORM_XSLT_H
