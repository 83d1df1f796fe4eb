#include "functions/parse_arguments.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include "quenloft/com_ptr.h"
#include "quenloft/string_object.h"
#include "language/statement_parser.h"
#include "language/escapes.h"

namespace quenloft {
namespace {

// The argument text read as a statement of its own and resolved through
// the manager, with the call's expression as owner so that its variables
// are visible. Unresolved: the text itself (the manager has reported it).
std::string EvaluateArgument(ITplMacroServices* services, ITplMacroCall* call,
                             const std::string& text, ICvoString* scratch) {
  if (services == nullptr) return {};
  ComPtr<ITplExpression> context;
  call->GetContext(context.put());
  ComPtr<ITplMacroCall> inner;
  services->CreateMacroCall(inner.put(), context.get());
  if (!inner) return {};
  inner->SetText(text.c_str());
  if (services->ResolveMacroCall(inner.get()) != 0) return text;
  scratch->Empty();
  inner->GetValue(scratch);
  return ReadString(scratch);
}

}  // namespace

bool ParseArguments(ITplMacroServices* services, ITplMacroCall* call, ArgumentMode mode,
                    std::vector<std::string>* values) {
  if (values == nullptr) return false;
  values->clear();
  if (call == nullptr) return false;

  int32_t count = 0;
  if (call->GetArgCount(&count) != 0 || count <= 0) return true;
  const ComPtr<ICvoString> argument = NewString();
  const ComPtr<ICvoString> scratch = NewString();
  if (!argument || !scratch) {
    values->assign(static_cast<size_t>(count), std::string());
    return true;
  }
  // The count comes from the call, which may be a host's: room is made for
  // the arguments as they come, and reading stops at the first one the
  // call cannot give.
  for (int32_t i = 0; i < count; ++i) {
    argument->Empty();
    if (call->GetArg(i, argument.get()) != 0) break;
    std::string text = ReadString(argument.get());
    if (text.empty()) {
      values->emplace_back();
    } else if (IsQuoteByte(text.front())) {
      values->push_back(RemoveEscapes(DeQuote(text.c_str(), nullptr, nullptr)));
    } else if (mode == ArgumentMode::kDeferred) {
      text.insert(text.begin(), kDeferredMarker);
      text.push_back(kDeferredMarker);
      values->push_back(std::move(text));
    } else {
      values->push_back(EvaluateArgument(services, call, text, scratch.get()));
    }
  }
  return true;
}

}  // namespace quenloft
