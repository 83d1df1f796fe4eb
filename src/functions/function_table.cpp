// The built-in functions: one function each, then the table that names
// them, in the order in which the function library lists their names.
//
// To add a function:
//   1. Write it below, in the section of its family:
//        int32_t Name(Invocation& f)
//      It gets the call (f.call), the manager's services (f.services,
//      f.Manager()) and the argument values (f.values), as many as its row
//      accepts. It sets the result with f.SetResult and returns 0, or
//      returns 1 without a result when it cannot run; the manager then
//      reports the statement as unresolved. Rules on plain text that can be
//      tested on their own go to function_rules.*, path handling to
//      path_argument.*.
//   2. Append its row to kFunctions: the exact name, the argument counts
//      (Exactly, Between, AtLeast, OddAtLeast, kAny), how the arguments are
//      read (kEvaluated as most functions; kDeferred to evaluate them
//      itself, see Settle; kRawTexts for the texts as written) and the
//      function. Append, do not insert: the order is the order of the names
//      a resolver lists, which hosts see.
//   3. Add its statements, with their values and failures, to the table of
//      the built-in function tests in tests/functions.
#include "functions/function_table.h"

#include <CorvaskUtils/CorvaskUtils.h>
#include <TAVLOR/ByteString.h>
#include <TAVLOR/HtmlPack.h>
#include <pmtkWin32FileServices/FileServices.h>

#include <algorithm>
#include <cstdio>

#include "frame/boundary.h"
#include "frame/format_text.h"
#include "functions/function_rules.h"
#include "functions/parse_arguments.h"
#include "functions/path_argument.h"
#include "platform/real_path.h"
#include "platform/xslt.h"
#include "quenloft/conventions.h"
#include "quenloft/string_object.h"

namespace quenloft {

namespace {

// ---- text ------------------------------------------------------------------

int32_t Concat(Invocation& f) {
  uint64_t size = 0;
  for (const std::string& value : f.values) size += value.size();
  if (!f.Fits(size)) return 1;  // before the memory is taken
  std::string joined;
  joined.reserve(size);
  for (const std::string& value : f.values) joined += value;
  return f.SetResult(joined);
}

int32_t Replace(Invocation& f) {
  std::string text = std::move(f.values[0]);
  const uint64_t limit = static_cast<uint64_t>(f.Limits().max_value_size);
  for (size_t i = 1; i + 1 < f.values.size(); i += 2) {
    if (!ReplaceAll(&text, f.values[i], f.values[i + 1], limit)) return f.TooLarge();
  }
  return f.SetResult(text);
}

int32_t HtmlToText(Invocation& f) {
  return f.SetResult(CHtmlPack::HtmlToText(f.values[0].c_str()));
}

int32_t TextToHtml(Invocation& f) {
  return f.SetResult(CHtmlPack::TextToHtml(f.values[0].c_str()));
}

int32_t Transform(Invocation& f) {
  // Any failure of the transformation gives the empty result; one stopped
  // at a limit fails.
  const platform::TransformLimits limits = f.Limits().transform;
  platform::TransformStop stopped = platform::TransformStop::kNone;
  std::string error;
  const std::optional<std::string> result =
      platform::TransformXml(f.values[0], f.values[1], limits, &stopped, &error);
  if (stopped == platform::TransformStop::kTooDeep) {
    f.Report(FormatText(kTransformTooDeepMessage, std::to_string(limits.max_depth)));
    return 1;
  }
  if (stopped == platform::TransformStop::kTooLong) {
    f.Report(FormatText(kTransformTooLongMessage, std::to_string(limits.time_limit_ms)));
    return 1;
  }
  if (!result && f.Diagnosing()) f.Explain(kTransformFailedCode, "Transform failed: " + error);
  return f.SetResult(result.value_or(""));
}

// ---- yes or no -------------------------------------------------------------

int32_t CompareNumber(Invocation& f) {
  const auto& v = f.values;
  return f.SetResult(TruthText(CompareValues(v[0], v[1], v[2], Comparison::kNumber)));
}

int32_t CompareString(Invocation& f) {
  const auto& v = f.values;
  return f.SetResult(TruthText(CompareValues(v[0], v[1], v[2], Comparison::kText)));
}

int32_t IsEmpty(Invocation& f) { return f.SetResult(TruthText(f.values[0].empty())); }

int32_t IsTrue(Invocation& f) { return f.SetResult(TruthText(IsTrueText(f.values[0]))); }

// ---- colours ---------------------------------------------------------------

// The known colour an unknown name becomes without its separators
// ("dark-blue": "darkblue"), as a hint; "" when there is none.
std::string ColorHint(const std::string& name) {
  std::string joined;
  for (const char c : name) {
    if (c != '-' && c != '_' && c != ' ') joined += c;
  }
  uint32_t color = 0;
  if (joined == name || ColorNameToColor(joined.c_str(), &color) == 0) return {};
  return "; did you mean '" + joined + "'?";
}

int32_t NameToColor(Invocation& f) {
  if (f.values[0].empty()) return f.SetResult("");
  // An unknown name leaves the colour at 0, which gives "#000000".
  uint32_t color = 0;
  if (ColorNameToColor(f.values[0].c_str(), &color) == 0 && f.Diagnosing()) {
    f.Explain(kUnknownColorCode, "unknown colour '" + f.values[0] + "', taken as black" +
                                     ColorHint(f.values[0]));
  }
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(color & 0xFF),
                static_cast<unsigned>((color >> 8) & 0xFF),
                static_cast<unsigned>((color >> 16) & 0xFF));
  return f.SetResult(text);
}

// Listed so that templates can test for it, but it computes nothing: every
// call is reported as unresolved. Its row reads the raw texts, so its
// arguments are not evaluated either.
int32_t ColorToName(Invocation&) { return 1; }

// ---- files -----------------------------------------------------------------
//
// A file function touches a file only inside the folders the manager
// allows (Invocation::Allowed), and through the path it really leads to;
// a refused path fails the function as a missing file does. A path that
// stays relative after its folder kind names no file: it is never taken
// from the working folder.

// The path argument: the first value, completed by the optional folder kind.
std::string PathOf(const Invocation& f) {
  static const std::string kNoKind;
  return ResolvePathArgument(f.values[0], f.values.size() > 1 ? f.values[1] : kNoKind, f.call,
                             f.Manager().get());
}

int32_t FileName(Invocation& f) { return f.SetResult(PathOf(f)); }

// An unreadable or empty file sets no result: the statement's own text
// becomes its value. A file larger than a value may be is not read.
int32_t LoadFromFile(Invocation& f) {
  const std::optional<std::string> path = f.Allowed(PathOf(f), FileAccess::kRead);
  if (!path) return 0;
  if (FileExist(path->c_str()) == 0) {
    if (f.Diagnosing()) f.Explain(kFileNotFoundCode, "file not found: " + *path);
    return 0;
  }
  if (!f.Fits(platform::RegularFileSize(*path).value_or(0))) return 1;
  CByteString content;
  if (content.LoadFromFile(path->c_str()) == 0 || content.IsEmpty()) return 0;
  return f.SetResult(content.GetContent());  // text up to its first zero byte
}

// No argument carries content for the file, so SaveToFile only makes sure
// the file exists: a missing file is created empty, an existing one is
// left exactly as it is. Writing the empty text over an existing file
// would destroy it.
int32_t SaveToFile(Invocation& f) {
  const std::optional<std::string> path = f.Allowed(PathOf(f), FileAccess::kWrite);
  if (!path) return 1;
  if (FileExist(path->c_str()) == 0) {
    if (SafeCreateFile(path->c_str()) == 0) return 1;
    if (CByteString().SaveToFile(path->c_str()) == 0) return 1;
  }
  return f.SetResult("");
}

// A relative path is taken in the result folder, MoveFile having no folder
// kind. The source's content is read where the path leads; the entry
// itself (a link, say) is what goes. It goes only once its copy is
// written, so a failed copy loses nothing; either failure is reported.
int32_t MoveFile(Invocation& f) {
  return Guarded(1, [&] {
    const ComPtr<ITplManager> manager = f.Manager();
    const auto in_result = [&](const std::string& path) {
      return ResolvePathArgument(path, "result", f.call, manager.get());
    };
    const std::string source = in_result(f.values[0]);
    const std::optional<std::string> entry = f.Allowed(source, FileAccess::kWrite);
    if (!entry || FileExist(entry->c_str()) == 0) return 1;
    if (f.values.size() == 1) return pmtkDeleteFile(entry->c_str()) == 0 ? 1 : f.SetResult("");
    const std::optional<std::string> content = f.Allowed(source, FileAccess::kRead);
    const std::optional<std::string> destination =
        f.Allowed(in_result(f.values[1]), FileAccess::kWrite);
    if (!content || !destination) return 1;
    // Moving a file onto itself leaves it where it is; copying it over
    // itself and then deleting the source would lose it.
    if (SameFile(*entry, *destination)) return f.SetResult("");
    if (SafeCreateFile(destination->c_str()) == 0) return 1;
    if (pmtkCopyFile(content->c_str(), destination->c_str(), 0) == 0) return 1;
    if (pmtkDeleteFile(entry->c_str()) == 0) return 1;
    return f.SetResult("");
  });
}

// ---- macro text of their own -----------------------------------------------
//
// Every nested evaluation goes through the manager's ResolveMacroCall
// (directly, or through ResolveMacroTextFor or an expression's Evaluate),
// which bounds the nesting depth: a template that evaluates itself fails
// like an unresolved statement instead of exhausting the stack.

// A deferred value evaluated in the call's context now; any other value as
// it is. A statement that does not resolve or sets no result gives the
// empty text.
std::string Settle(ITplManager* manager, const Invocation& f, const std::string& value) {
  if (value.empty() || value.front() != kDeferredMarker) return value;
  if (value.size() >= 2 && value.back() == kDeferredMarker && f.sandbox != nullptr) {
    const std::string_view inside = std::string_view(value).substr(1, value.size() - 2);
    std::string settled;
    if (f.sandbox->ResolveForOwn(f.call, inside.data(), inside.size(), &settled) == 0) {
      return settled;
    }
  }
  const char marker[] = {kDeferredMarker, '\0'};
  const std::string statement = DeQuote(value.c_str(), marker, marker);
  const ComPtr<ICvoString> result = NewString();
  if (!result) return {};
  manager->ResolveMacroTextFor(statement.c_str(), f.call, result.get());
  return ReadString(result.get());
}

// The conditional. Its arguments come deferred, and only the chosen branch
// is evaluated, so the other branch has no side effects.
int32_t AssignString(Invocation& f) {
  const ComPtr<ITplManager> manager = f.Manager();
  if (!manager) return 0;  // no result: the statement's text is its value
  static const std::string kNoElse;
  const bool yes = IsTrueText(Settle(manager.get(), f, f.values[0]));
  const std::string& chosen = yes ? f.values[1] : (f.values.size() > 2 ? f.values[2] : kNoElse);
  return f.SetResult(Settle(manager.get(), f, chosen));
}

// "true" when a resolver is registered for the name of every argument, read
// as raw statement text: quotes stay part of the name and nothing is
// evaluated.
int32_t MacroExist(Invocation& f) {
  const ComPtr<ITplManager> manager = f.Manager();
  const bool all_known = std::all_of(f.values.begin(), f.values.end(), [&](const std::string& s) {
    return !manager || manager->HasResolverFor(s.c_str()) == 0;
  });
  return f.SetResult(TruthText(all_known));
}

// The value of its argument evaluated as an expression of the patched file
// the call belongs to.
int32_t ReplaceMacroExpr(Invocation& f) {
  ComPtr<ITplUnknown> container;
  f.call->GetContainer(container.put());
  if (!container || f.services == nullptr) return 1;
  // Made by the sandbox, the expression counts the container: a resolver
  // may keep its calls, and it, beyond the file.
  ComPtr<ITplExpression> expression;
  if (f.sandbox == nullptr ||
      f.sandbox->CreateTextExpression(expression.put(), container.get()) != 0) {
    f.services->CreateExpression(expression.put(), container.get());
  }
  const ComPtr<ICvoString> value = NewString();
  if (!expression || !value) return 1;
  expression->SetText(f.values[0].c_str());
  // A failed evaluation gives the text unchanged. Should it throw, the
  // result is whatever the string object holds by then.
  Guarded(0, [&] {
    if (expression->Evaluate(value.get()) != 0) expression->GetText(value.get());
    return 0;
  });
  return f.SetResult(ReadString(value.get()));
}

// The result of the statement evaluated in context; empty when it sets
// none. Should the evaluation throw, the result is whatever the string
// object holds by then.
std::string ResultOf(const Invocation& f, ITplExpression* context, const std::string& statement) {
  ITplMacroServices* services = f.services;
  const ComPtr<ICvoString> result = NewString();
  if (services == nullptr || !result) return {};
  Guarded(0, [&] {
    const ComPtr<ITplMacroCall> inner = NewArgumentCall(services, f.sandbox, context);
    if (!inner) return 0;
    inner->SetText(statement.c_str());
    services->ResolveMacroCall(inner.get());  // unresolved: reported, empty result
    inner->GetResult(result.get());
    return 0;
  });
  return ReadString(result.get());
}

// The text with each "%name%" replaced by the result of the statement name,
// evaluated in the call's context.
int32_t ReplaceMacros(Invocation& f) {
  std::string text = std::move(f.values[0]);
  const std::vector<std::string> names = PercentNames(text);
  if (names.empty()) return f.SetResult(text);
  ComPtr<ITplExpression> context;
  f.call->GetContext(context.put());
  const uint64_t limit = static_cast<uint64_t>(f.Limits().max_value_size);
  for (const std::string& name : names) {
    if (!ReplaceAll(&text, "%" + name + "%", ResultOf(f, context.get(), name), limit))
      return f.TooLarge();
  }
  return f.SetResult(text);
}

// ---- the table -------------------------------------------------------------

constexpr ArgumentCount Exactly(int32_t n) { return {n, n, false}; }
constexpr ArgumentCount Between(int32_t min, int32_t max) { return {min, max, false}; }
constexpr ArgumentCount AtLeast(int32_t min) { return {min, ArgumentCount::kUnbounded, false}; }
constexpr ArgumentCount OddAtLeast(int32_t min) { return {min, ArgumentCount::kUnbounded, true}; }
constexpr ArgumentCount kAny = AtLeast(0);

constexpr Reading kEvaluated = Reading::kEvaluated;
constexpr Reading kDeferred = Reading::kDeferred;
constexpr Reading kRawTexts = Reading::kRawTexts;

constexpr CTplFunction kFunctions[] = {
    {"AssignString", Between(2, 3), kDeferred, &AssignString},  // condition, then [, else]
    {"CompareNumber", Exactly(3), kEvaluated, &CompareNumber},  // operator, a, b
    {"CompareString", Exactly(3), kEvaluated, &CompareString},  // operator, a, b
    {"Concat", kAny, kEvaluated, &Concat},                      // texts
    {"FileName", Between(1, 2), kEvaluated, &FileName},         // path [, folder kind]
    {"IsEmpty", Exactly(1), kEvaluated, &IsEmpty},              // text
    {"IsTrue", Exactly(1), kEvaluated, &IsTrue},                // text
    {"LoadFromFile", Between(1, 2), kEvaluated, &LoadFromFile},  // path [, folder kind]
    {"MacroExist", AtLeast(1), kRawTexts, &MacroExist},          // statements
    {"MoveFile", Between(1, 2), kEvaluated, &MoveFile},          // source [, destination]
    {"Output", kAny, kEvaluated, &Concat},                       // texts
    {"Replace", OddAtLeast(3), kEvaluated, &Replace},            // text, find, replacement ...
    {"ReplaceMacroExpr", Exactly(1), kEvaluated, &ReplaceMacroExpr},  // expression text
    {"ReplaceMacros", Exactly(1), kEvaluated, &ReplaceMacros},        // text with %name%
    {"SaveToFile", Between(1, 2), kEvaluated, &SaveToFile},           // path [, folder kind]
    {"Transform", Exactly(2), kEvaluated, &Transform},                // XML, style sheet
    {"HtmlToText", Exactly(1), kEvaluated, &HtmlToText},              // HTML
    {"TextToHtml", Exactly(1), kEvaluated, &TextToHtml},              // text
    {"NameToColor", Exactly(1), kEvaluated, &NameToColor},            // colour name
    {"ColorToName", kAny, kRawTexts, &ColorToName},                   // never runs
};

}  // namespace

std::span<const CTplFunction> FunctionTable() { return kFunctions; }

const CTplFunction* FindFunction(std::string_view name) {
  // Twenty rows: a scan that compares lengths first costs less than hashing
  // the name would.
  for (const CTplFunction& function : kFunctions) {
    if (function.name == name) return &function;
  }
  return nullptr;
}

}  // namespace quenloft
