#include "language/escapes.h"

namespace quenloft {

std::string RemoveEscapes(std::string_view text) {
  std::string out;
  RemoveEscapes(text, &out);
  return out;
}

void RemoveEscapes(std::string_view text, std::string* out) {
  if (text.find('\\') == std::string_view::npos) {
    out->assign(text);  // no escape pair: nothing changes
    return;
  }
  out->clear();
  out->reserve(text.size());
  char quote = 0;  // the quote byte that opened the current quote, or 0
  size_t run = 0;  // start of the bytes not yet copied
  size_t i = 0;
  while (i < text.size()) {
    // Only backslashes and quote bytes change anything; copy the run
    // before the next one whole.
    i = text.find_first_of("\\\"'", i);
    if (i == std::string_view::npos) break;
    const char c = text[i];
    if (c == '\\') {
      if (i + 1 < text.size() && IsEscapable(text[i + 1])) {
        if (quote == 0) {
          // Outside quotes the pair stands for its second byte, which is
          // consumed here and so opens no quote.
          out->append(text.substr(run, i - run));
          run = i + 1;
        }
        i += 2;  // inside quotes the pair stays and cannot close the quote
        continue;
      }
      ++i;  // a lone backslash is an ordinary byte
      continue;
    }
    if (quote == 0) {
      quote = c;
    } else if (c == quote) {
      quote = 0;
    }
    ++i;
  }
  out->append(text.substr(run));
}

}  // namespace quenloft
