// HTML to text through libxml2's HTML parser.
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <memory>
#include <mutex>

#include "TAVLOR/HtmlPack.h"

namespace {

struct DocumentDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

bool IsNamed(const xmlNode* node, const char* name) {
  return node->name != nullptr && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// Scripts and style sheets are no text a reader sees.
bool HoldsReadableText(const xmlNode* node) {
  return !IsNamed(node, "script") && !IsNamed(node, "style");
}

// The text nodes of the document in order, without recursion (deep
// nesting cannot exhaust the stack).
void CollectText(xmlDoc* doc, std::string* text) {
  xmlNode* const top = reinterpret_cast<xmlNode*>(doc);
  xmlNode* node = doc->children;
  while (node != nullptr) {
    if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) &&
        node->content != nullptr)
      text->append(reinterpret_cast<const char*>(node->content));
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr && HoldsReadableText(node)) {
      node = node->children;
      continue;
    }
    while (node != nullptr && node != top && node->next == nullptr) node = node->parent;
    node = (node == nullptr || node == top) ? nullptr : node->next;
  }
}

}  // namespace

std::string CHtmlPack::HtmlToText(const char* html) {
  if (html == nullptr || *html == '\0') return {};
  const size_t length = std::strlen(html);
  if (length > static_cast<size_t>(INT_MAX)) return {};
  static std::once_flag initialised;
  std::call_once(initialised, [] { xmlInitParser(); });
  // No network, no messages: a broken document still gives its text.
  std::unique_ptr<xmlDoc, DocumentDeleter> doc(
      htmlReadMemory(html, static_cast<int>(length), nullptr, "UTF-8",
                     HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING));
  if (doc == nullptr) return {};
  std::string text;
  CollectText(doc.get(), &text);
  return text;
}
