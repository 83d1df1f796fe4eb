// HTML and text conversion, and colour names.
#ifndef TAVLOR_HTMLPACK_H
#define TAVLOR_HTMLPACK_H

#include <stdint.h>

#include <string>

#include "TAVLOR/ByteString.h"

class TAVLOR_API CHtmlPack {
 public:
  // Drops tags and decodes character references (named and numeric). The
  // contents of script and style elements are no readable text and are
  // dropped with their tags; comments too. Input is taken as UTF-8.
  static std::string HtmlToText(const char* html);
  // Escapes "&", "<", ">" and '"'.
  static std::string TextToHtml(const char* text);
};

// Sets *color (red in the lowest byte, then green, then blue) from a CSS
// colour name (ASCII case ignored), "#rrggbb" or "#rgb". An unknown name
// leaves *color as it was and returns 0; a known one returns 1.
TAVLOR_API int ColorNameToColor(const char* name, uint32_t* color);

#endif  // TAVLOR_HTMLPACK_H
