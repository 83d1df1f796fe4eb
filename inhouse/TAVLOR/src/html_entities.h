// Named character references for the HTML decoder used where libxml2 is
// not available.
#ifndef TAVLOR_SRC_HTML_ENTITIES_H
#define TAVLOR_SRC_HTML_ENTITIES_H

#include <cstdint>
#include <string_view>

namespace tavlor {

// The code point of a named reference ("amp" gives 0x26); 0 when the name
// is unknown. Names match with case, as in HTML.
uint32_t FindNamedEntity(std::string_view name);

}  // namespace tavlor

#endif  // TAVLOR_SRC_HTML_ENTITIES_H
