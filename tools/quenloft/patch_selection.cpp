#include "patch_selection.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include <cctype>
#include <string_view>
#include <utility>

#include "quenloft/conventions.h"

namespace quenloft_tool {
namespace {

constexpr size_t kNone = std::string_view::npos;

// The length of the character class "[:name:]" at text[i]; 0 if none is.
size_t ClassLength(std::string_view text, size_t i) {
  if (text.substr(i, 2) != "[:") return 0;
  const size_t close = text.find(":]", i + 2);
  return close == kNone ? 0 : close + 2 - i;
}

// A class that is not one of these matches nothing, as with fnmatch().
bool InClass(std::string_view name, unsigned char c) {
  using Test = int (*)(int);
  static constexpr std::pair<std::string_view, Test> kClasses[] = {
      {"alnum", [](int x) { return std::isalnum(x); }},
      {"alpha", [](int x) { return std::isalpha(x); }},
      {"blank", [](int x) { return std::isblank(x); }},
      {"cntrl", [](int x) { return std::iscntrl(x); }},
      {"digit", [](int x) { return std::isdigit(x); }},
      {"graph", [](int x) { return std::isgraph(x); }},
      {"lower", [](int x) { return std::islower(x); }},
      {"print", [](int x) { return std::isprint(x); }},
      {"punct", [](int x) { return std::ispunct(x); }},
      {"space", [](int x) { return std::isspace(x); }},
      {"upper", [](int x) { return std::isupper(x); }},
      {"xdigit", [](int x) { return std::isxdigit(x); }},
  };
  for (const auto& [class_name, test] : kClasses) {
    if (class_name == name) return test(c) != 0;
  }
  return false;
}

// The index just past the bracket expression that opens at pattern[open],
// or kNone when it is not closed (the "[" is then an ordinary character).
size_t BracketEnd(std::string_view pattern, size_t open) {
  size_t i = open + 1;
  if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) ++i;
  if (i < pattern.size() && pattern[i] == ']') ++i;  // a leading "]" is a member
  for (; i < pattern.size(); ++i) {
    if (const size_t length = ClassLength(pattern, i)) {
      i += length - 1;
    } else if (pattern[i] == ']') {
      return i + 1;
    } else if (pattern[i] == '\\') {
      ++i;
    }
  }
  return kNone;
}

// `set` is what stands between the brackets: members, ranges "a-z", classes
// "[:digit:]", "\x" for x itself, and a leading "!" or "^" that negates.
bool InBracket(std::string_view set, char c) {
  const auto u = static_cast<unsigned char>(c);
  const bool negated = !set.empty() && (set[0] == '!' || set[0] == '^');
  size_t i = negated ? 1 : 0;
  // The member at set[i], escape undone; moves i past it.
  auto member = [&]() -> unsigned char {
    if (set[i] == '\\' && i + 1 < set.size()) ++i;
    return static_cast<unsigned char>(set[i++]);
  };
  bool found = false;
  while (i < set.size() && !found) {
    if (const size_t length = ClassLength(set, i)) {
      found = InClass(set.substr(i + 2, length - 4), u);
      i += length;
      continue;
    }
    const unsigned char low = member();
    if (i + 1 < set.size() && set[i] == '-') {
      ++i;
      const unsigned char high = member();
      found = low <= u && u <= high;
    } else {
      found = low == u;
    }
  }
  return found != negated;
}

}  // namespace

// One pass with a single backtrack point: a later "*" can take up whatever
// an earlier one could, and under
// `pathname` a "*" that would have to cross "/" means no match at all, since
// every earlier "*" is held to an earlier folder.
bool GlobMatches(std::string_view pattern, std::string_view text, bool pathname) {
  size_t p = 0;
  size_t t = 0;
  size_t star = kNone;  // the pattern just after the latest "*"
  size_t star_text = 0;  // where in the text that "*" began to match
  while (t < text.size()) {
    bool matched = false;
    size_t next = p + 1;
    if (p < pattern.size()) {
      const char c = text[t];
      const bool barrier = pathname && c == '/';
      size_t end = kNone;
      if (pattern[p] == '*') {
        star = ++p;
        star_text = t;
        continue;
      }
      if (pattern[p] == '?') {
        matched = !barrier;
      } else if (pattern[p] == '[' && (end = BracketEnd(pattern, p)) != kNone) {
        matched = !barrier && InBracket(pattern.substr(p + 1, end - p - 2), c);
        next = end;
      } else if (pattern[p] == '\\') {
        // A "\" that ends the pattern escapes nothing and matches nothing.
        matched = p + 1 < pattern.size() && pattern[p + 1] == c;
        next = p + 2;
      } else {
        matched = pattern[p] == c;
      }
    }
    if (matched) {
      p = next;
      ++t;
      continue;
    }
    if (star == kNone || (pathname && text[star_text] == '/')) return false;
    p = star;
    t = ++star_text;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

PatchSelection::PatchSelection(std::vector<std::string> globs) : globs_(std::move(globs)) {}

bool PatchSelection::IsPatched(const std::string& relative) const {
  const size_t slash = relative.rfind('/');
  const std::string file = slash == std::string::npos ? relative : relative.substr(slash + 1);
  const size_t dot = file.rfind('.');
  if (dot != std::string::npos) {
    const std::string extension = ToLowerAscii(file.substr(dot).c_str());
    for (const quenloft::FileTypeExtension& type : quenloft::kFileTypeExtensions) {
      if (extension == type.extension) return true;
    }
  }
  for (const std::string& glob : globs_) {
    const bool has_folder = glob.find('/') != std::string::npos;
    const std::string& subject = has_folder ? relative : file;
    if (GlobMatches(glob, subject, has_folder)) return true;
  }
  return false;
}

}  // namespace quenloft_tool
