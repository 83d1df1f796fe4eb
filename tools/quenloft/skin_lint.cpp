#include "skin_lint.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <optional>

#include "quenloft/conventions.h"
#include "skin_text.h"

namespace quenloft_tool {
namespace {

constexpr size_t kNone = std::string_view::npos;

// Where a problem stands in the file, what it is and why.
using Report = std::function<void(size_t offset, const char* code, std::string reason)>;
using OnStatement = std::function<void(std::string_view statement, size_t offset)>;

bool IsEscapable(char c) { return c == '%' || c == '\\' || c == '"' || c == '\''; }
bool IsQuote(char c) { return c == '"' || c == '\''; }
bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsNameByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' || c == '.';
}

// Calls visit(i, quote) for every byte of the statement that is not part
// of an escape pair, with the quote open before it (0: none); a quote byte
// that opens or closes a quote is visited with the quote state before it.
template <class Visit>
void WalkOutsideEscapes(std::string_view text, Visit visit) {
  char quote = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && IsEscapable(text[i + 1])) {
      ++i;
      continue;
    }
    visit(i, quote);
    if (quote == 0 && IsQuote(text[i])) {
      quote = text[i];
    } else if (quote != 0 && text[i] == quote) {
      quote = 0;
    }
  }
}

// The position of the assignment sign: the last "=" outside quotes.
size_t AssignmentSign(std::string_view statement) {
  size_t sign = kNone;
  WalkOutsideEscapes(statement, [&](size_t i, char quote) {
    if (quote == 0 && statement[i] == '=') sign = i;
  });
  return sign;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The variable an assignment stores, without the "+" of an append.
std::string_view AssignmentTarget(std::string_view statement) {
  const size_t sign = AssignmentSign(statement);
  if (sign == kNone) return {};
  std::string_view target = Trimmed(statement.substr(0, sign));
  if (!target.empty() && target.back() == '+') target = Trimmed(target.substr(0, target.size() - 1));
  return target;
}

// The library's rule for the manager's scope: the first "$$" ends the name.
bool IsGlobalName(std::string_view name) {
  return name.size() >= 3 && name.find("$$") == name.size() - 2;
}

// The markers of a file, one statement at a time, and the openings left
// without their closing. Each row's next opening is remembered, so the
// scan stays one pass however many rows never occur.
class MarkerWalk {
 public:
  MarkerWalk(std::string_view text, std::string_view name) : text_(text), style_(MarkerStyleOfName(name)) {
    for (size_t r = 0; r < next_.size(); ++r) {
      next_[r] = text_.find(quenloft::kMarkerDelimiters[r].opening);
    }
  }

  void Run(const OnStatement& on_statement, const Report& report) {
    size_t p = 0;
    int row = -1;
    while ((p = NextOpening(p, &row)) != kNone) {
      const quenloft::MarkerDelimiter& delimiter = quenloft::kMarkerDelimiters[static_cast<size_t>(row)];
      const size_t body = p + delimiter.opening.size();
      const size_t close = FindClosing(body, delimiter.closing);
      int next_row = -1;
      size_t next = NextOpening(body, &next_row);
      if (next == close) next = NextOpening(close + 1, &next_row);  // "%%%": the closing itself
      if (close == kNone || (next != kNone && next < close)) {
        report(p, kUnclosedMarkerCode,
               "marker not closed: no \"" + std::string(delimiter.closing) + "\" " +
                   (close == kNone ? std::string("follows, so it is left as written")
                                   : "before the next \"" +
                                         std::string(quenloft::kMarkerDelimiters[static_cast<size_t>(next_row)].opening) +
                                         "\", so it runs on into that marker"));
        if (next == kNone) return;
        p = next;
        continue;
      }
      Statements(body, close, on_statement);
      p = close + delimiter.closing.size();
    }
  }

 private:
  // The first opening at or after p that the file type accepts and that
  // leaves room for its closing; kNone when there is none.
  size_t NextOpening(size_t p, int* row) {
    size_t best = kNone;
    for (size_t r = 0; r < quenloft::kMarkerDelimiters.size(); ++r) {
      const quenloft::MarkerDelimiter& d = quenloft::kMarkerDelimiters[r];
      if (!Accepts(style_, d.style)) continue;
      if (next_[r] != kNone && next_[r] < p) next_[r] = text_.find(d.opening, p);
      // Any later opening has even less room.
      if (next_[r] != kNone && text_.size() - next_[r] < d.opening.size() + d.closing.size()) {
        next_[r] = kNone;
      }
      if (next_[r] < best) {
        best = next_[r];
        *row = static_cast<int>(r);
      }
    }
    return best;
  }

  // The closing after `from`, escape pairs stepped over, as the library's
  // scanner finds it.
  size_t FindClosing(size_t from, std::string_view closing) const {
    for (size_t q = from; q < text_.size(); ++q) {
      if (text_[q] == '\\' && q + 1 < text_.size() && IsEscapable(text_[q + 1])) {
        ++q;
      } else if (text_.compare(q, closing.size(), closing) == 0) {
        return q;
      }
    }
    return kNone;
  }

  // The body's statements, cut at ";" outside quotes.
  void Statements(size_t begin, size_t end, const OnStatement& on_statement) const {
    const std::string_view body = text_.substr(begin, end - begin);
    size_t start = 0;
    WalkOutsideEscapes(body, [&](size_t i, char quote) {
      if (quote != 0 || body[i] != ';') return;
      Statement(body, start, i, begin, on_statement);
      start = i + 1;
    });
    Statement(body, start, body.size(), begin, on_statement);
  }

  static void Statement(std::string_view body, size_t start, size_t end, size_t base,
                        const OnStatement& on_statement) {
    while (start < end && IsBlank(body[start])) ++start;
    while (end > start && IsBlank(body[end - 1])) --end;
    if (end > start) on_statement(body.substr(start, end - start), base + start);
  }

  std::string_view text_;
  std::optional<quenloft::MarkerStyle> style_;
  std::array<size_t, quenloft::kMarkerDelimiters.size()> next_;  // found from before the scan
};

// The start of the name that stands before position `paren`.
size_t NameBefore(std::string_view statement, size_t paren) {
  size_t start = paren;
  while (start > 0 && IsBlank(statement[start - 1])) --start;
  while (start > 0 && IsNameByte(statement[start - 1])) --start;
  return start;
}

// Quotes and parentheses, and calls whose commas split the call around them.
void LintBalance(std::string_view statement, size_t base, const Report& report) {
  std::vector<size_t> open;  // "(" outside quotes not closed yet
  size_t quote_at = kNone;
  bool split_told = false;
  WalkOutsideEscapes(statement, [&](size_t i, char quote) {
    const char c = statement[i];
    if (quote != 0) {
      if (c == quote) quote_at = kNone;
      return;
    }
    if (IsQuote(c)) {
      quote_at = i;
    } else if (c == '(') {
      open.push_back(i);
    } else if (c == ')') {
      if (open.empty()) {
        report(base + i, quenloft::kUnbalancedParenthesisCode,
               "unbalanced parenthesis: this ')' closes no '('");
      } else {
        open.pop_back();
      }
    } else if (c == ',' && open.size() >= 2 && !split_told) {
      split_told = true;
      const size_t inner = NameBefore(statement, open[1]);
      report(base + inner, quenloft::kNestedCallCode,
             "call used as an argument: calls do not nest, so its commas split the arguments "
             "of the call around it; set a variable first (v = " +
                 std::string(Trimmed(statement.substr(inner, open[1] - inner))) +
                 "(...)) and pass v");
    }
  });
  if (quote_at != kNone) {
    report(base + quote_at, quenloft::kUnbalancedQuoteCode,
           std::string("unbalanced quote: this ") + statement[quote_at] +
               " is never closed, so the rest of the statement is quoted text");
  } else if (!open.empty()) {
    report(base + open.back(), quenloft::kUnbalancedParenthesisCode,
           "unbalanced parenthesis: this '(' is never closed, so the call gets no arguments");
  }
}

// Calls visit(name, offset) for every name outside quotes from `from` on.
template <class Visit>
void EachName(std::string_view statement, size_t from, Visit visit) {
  size_t start = kNone;
  const auto end_name = [&](size_t end) {
    if (start != kNone && end > start) visit(statement.substr(start, end - start), start);
    start = kNone;
  };
  WalkOutsideEscapes(statement, [&](size_t i, char quote) {
    if (i < from || quote != 0 || !IsNameByte(statement[i])) {
      end_name(i);
      return;
    }
    if (start == kNone) start = i;
  });
  end_name(statement.size());
}

}  // namespace

SkinLint::SkinLint(std::set<std::string> system_keys, std::set<std::string> preset_globals)
    : system_keys_(std::move(system_keys)), preset_globals_(std::move(preset_globals)) {}

void SkinLint::Learn(const std::string& name, std::string_view text) {
  order_.emplace(name, order_.size());
  MarkerWalk(text, name).Run(
      [&](std::string_view statement, size_t) {
        const std::string target(AssignmentTarget(statement));
        if (target.empty()) return;
        assigned_.insert(target);
        if (IsGlobalName(target)) first_setter_.emplace(target, name);
      },
      [](size_t, const char*, std::string) {});
}

std::vector<Diagnostic> SkinLint::Lint(const std::string& name, const std::string& shown,
                                       std::string_view text) const {
  std::vector<Diagnostic> found;
  std::string_view current;  // the statement being read
  const Report report = [&](size_t offset, const char* code, std::string reason) {
    Diagnostic d;
    d.file = shown;
    LineAndColumn(text, offset, &d.line, &d.column);
    d.code = code;
    d.reason = std::move(reason);
    d.statement = std::string(current);
    found.push_back(std::move(d));
  };
  const auto here = order_.find(name);
  std::vector<std::string> keys(system_keys_.begin(), system_keys_.end());
  MarkerWalk(text, name).Run(
      [&](std::string_view statement, size_t base) {
        current = statement;
        LintBalance(statement, base, report);
        const size_t sign = AssignmentSign(statement);
        EachName(statement, sign == kNone ? 0 : sign + 1, [&](std::string_view word, size_t at) {
          if (word.starts_with("System.") && word.size() > 7) {
            const std::string key(word);
            if (system_keys_.count(key) != 0) return;
            const std::string near = NearestName(key, keys);
            report(base + at, quenloft::kUnknownSystemKeyCode,
                   key + " is not set in this run, so it reads as its own name" +
                       (near.empty() ? std::string() : "; did you mean " + near + "?") +
                       " (values come from --set and --values)");
            return;
          }
          const std::string variable(word);
          if (!IsGlobalName(variable) || preset_globals_.count(variable) != 0) return;
          const auto setter = first_setter_.find(variable);
          if (setter == first_setter_.end() || here == order_.end()) return;
          const auto setter_order = order_.find(setter->second);
          if (setter_order->second <= here->second) return;
          report(base + at, kReadBeforeSetCode,
                 variable + " is read before it is set: " + setter->second +
                     " sets it, and files are patched in name order, this one first");
        });
      },
      [&](size_t offset, const char* code, std::string reason) {
        current = {};
        report(offset, code, std::move(reason));
      });
  return found;
}

std::string NearestName(std::string_view name, const std::vector<std::string>& candidates) {
  const auto lower = [](std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  const std::string wanted = lower(name);
  // Edit distance with a swap of neighbours as one edit, ignoring case.
  const auto distance = [&](const std::string& other) {
    const size_t n = wanted.size(), m = other.size();
    std::vector<std::vector<size_t>> d(n + 1, std::vector<size_t>(m + 1));
    for (size_t i = 0; i <= n; ++i) d[i][0] = i;
    for (size_t j = 0; j <= m; ++j) d[0][j] = j;
    for (size_t i = 1; i <= n; ++i) {
      for (size_t j = 1; j <= m; ++j) {
        const size_t cost = wanted[i - 1] == other[j - 1] ? 0 : 1;
        d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
        if (i > 1 && j > 1 && wanted[i - 1] == other[j - 2] && wanted[i - 2] == other[j - 1]) {
          d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
      }
    }
    return d[n][m];
  };
  std::string best;
  size_t best_distance = std::max<size_t>(1, name.size() / 4) + 1;
  for (const std::string& candidate : candidates) {
    if (candidate == name) continue;
    const size_t d = distance(lower(candidate));
    if (d < best_distance) {
      best_distance = d;
      best = candidate;
    }
  }
  return best;
}

const std::vector<std::string>& BuiltinFunctionNames() {
  static const std::vector<std::string> names = {
      "AssignString", "CompareNumber",  "CompareString",    "Concat",        "FileName",
      "IsEmpty",      "IsTrue",         "LoadFromFile",     "MacroExist",    "MoveFile",
      "Output",       "Replace",        "ReplaceMacroExpr", "ReplaceMacros", "SaveToFile",
      "Transform",    "HtmlToText",     "TextToHtml",       "NameToColor",   "ColorToName"};
  return names;
}

std::string CalledName(std::string_view statement) {
  const size_t sign = AssignmentSign(statement);
  std::string_view call = Trimmed(sign == kNone ? statement : statement.substr(sign + 1));
  if (call.empty() || IsQuote(call.front())) return {};
  call = call.substr(0, call.find_first_of("(."));
  return std::string(Trimmed(call));
}

}  // namespace quenloft_tool
