#include "functions/parse_arguments.h"

#include "functions/sandbox.h"
#include "quenloft/com_ptr.h"
#include "quenloft/string_object.h"

namespace quenloft {
namespace {

// The argument text read as a statement of its own and resolved through
// the manager, with the call's expression as owner so that its variables
// are visible. Unresolved: the text itself (the manager has reported it).
void EvaluateArgument(ITplMacroServices* services, ITplSandbox* sandbox, ITplMacroCall* call,
                      std::string_view text, ICvoString* scratch, std::string* value) {
  if (services == nullptr) return;
  ComPtr<ITplExpression> context;
  call->GetContext(context.put());
  const ComPtr<ITplMacroCall> inner = NewArgumentCall(services, sandbox, context.get());
  if (!inner) return;
  const std::string statement(text);
  inner->SetText(statement.c_str());
  if (services->ResolveMacroCall(inner.get()) != 0) {
    *value = statement;
    return;
  }
  scratch->Empty();
  inner->GetValue(scratch);
  *value = ReadString(scratch);
}

}  // namespace

ComPtr<ITplMacroCall> NewArgumentCall(ITplMacroServices* services, ITplSandbox* sandbox,
                                      ITplExpression* context) {
  ComPtr<ITplMacroCall> call;
  if (sandbox != nullptr && sandbox->CreateArgumentCall(call.put(), context) == 0) return call;
  if (services != nullptr) services->CreateMacroCall(call.put(), context);
  return call;
}

bool ParseArguments(ITplMacroServices* services, ITplMacroCall* call, ArgumentMode mode,
                    std::vector<std::string>* values, ITplSandbox* sandbox) {
  if (values == nullptr) return false;
  values->clear();
  if (call == nullptr) return false;
  if (sandbox != nullptr && sandbox->ReadOwnArguments(call, mode, values) == 0) return true;

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
    const std::string text = ReadString(argument.get());
    AppendArgumentValue(text, mode, values, [&](std::string_view statement, std::string* value) {
      EvaluateArgument(services, sandbox, call, statement, scratch.get(), value);
    });
  }
  return true;
}

}  // namespace quenloft
