#include "functions/function_rules.h"

#include "language/escapes.h"

namespace quenloft {

namespace {

constexpr std::string_view kSpace = " \t\n\v\f\r";

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// order < 0, 0 or > 0 as a sorts before, equal to or after b.
bool Ordered(std::string_view op, int order, bool* known) {
  *known = true;
  if (op == "<=") return order <= 0;
  if (op == "<") return order < 0;
  if (op == "==") return order == 0;
  if (op == ">=") return order >= 0;
  if (op == ">") return order > 0;
  if (op == "!=") return order != 0;
  *known = false;
  return false;
}

}  // namespace

bool IsTrueText(std::string_view text) {
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(kSpace) - first + 1);
  return EqualNoCase(text, "true") || EqualNoCase(text, "yes") || text == "1";
}

int32_t ParseLeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && kSpace.find(text[i]) != std::string_view::npos) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate the magnitude in 64 bits and stop growing past the 32-bit
  // range, so long digit runs cannot overflow.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(value);
}

bool CompareValues(std::string_view op, std::string_view a, std::string_view b,
                   Comparison kind) {
  bool known = false;
  if (kind == Comparison::kNumber) {
    const int32_t x = ParseLeadingInteger(a);
    const int32_t y = ParseLeadingInteger(b);
    return Ordered(op, x < y ? -1 : (x > y ? 1 : 0), &known);
  }
  // std::string_view compares bytes as unsigned values, like memcmp.
  const int order = a.compare(b);
  const bool result = Ordered(op, order, &known);
  if (known) return result;
  if (op == "substr") return a.find(b) != std::string_view::npos;
  if (op == "compnocase") return EqualNoCase(a, b);
  return false;
}

bool ReplaceAll(std::string* text, std::string_view find, std::string_view replacement,
                uint64_t limit) {
  if (find.empty()) return text->size() <= limit;
  // One pass into a new string: linear however often find occurs. While it
  // grows, the result is at least what is made so far plus the rest, so
  // it stops as soon as that passes the limit.
  const bool grows = replacement.size() > find.size();
  std::string out;
  size_t from = 0;
  for (size_t at = text->find(find); at != std::string::npos; at = text->find(find, from)) {
    if (from == 0) out.reserve(text->size());
    out.append(*text, from, at - from);
    out.append(replacement);
    from = at + find.size();
    if (grows && out.size() + (text->size() - from) > limit) return false;
  }
  if (from == 0) return text->size() <= limit;
  out.append(*text, from, std::string::npos);
  if (out.size() > limit) return false;
  *text = std::move(out);
  return true;
}

std::vector<std::string> PercentNames(std::string_view text) {
  std::vector<std::string> names;
  size_t opening = std::string_view::npos;
  for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 1)) {
    if (opening == std::string_view::npos) {
      opening = at;
      continue;
    }
    std::string name = RemoveEscapes(text.substr(opening + 1, at - opening - 1));
    if (!name.empty()) names.push_back(std::move(name));
    opening = std::string_view::npos;
  }
  return names;
}

}  // namespace quenloft
