// Text to HTML: the four characters that markup gives a meaning escaped.
#include <cstring>

#include "TAVLOR/HtmlPack.h"

std::string CHtmlPack::TextToHtml(const char* text) {
  if (text == nullptr) return {};
  std::string html;
  html.reserve(std::strlen(text));
  const char* run = text;
  for (const char* p = text;; ++p) {
    const char* entity = nullptr;
    switch (*p) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      case '\0': html.append(run, p); return html;
      default: continue;
    }
    html.append(run, p);
    html.append(entity);
    run = p + 1;
  }
}
