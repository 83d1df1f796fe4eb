// The functions that evaluate macro text of their own: AssignString,
// MacroExist, ReplaceMacroExpr, ReplaceMacros.
//
// Every nested evaluation goes through the manager's ResolveMacroCall
// (directly, or through ResolveMacroTextFor or an expression's Evaluate),
// which bounds the nesting depth: a template that evaluates itself fails
// like an unresolved statement instead of exhausting the stack.
#include <CorvaskUtils/CorvaskUtils.h>

#include "quenloft/string_object.h"
#include "functions/function_table.h"
#include "language/escapes.h"

namespace quenloft {

namespace {

// The conditional. Arguments come in deferred mode, and only the chosen
// branch is evaluated, so the other branch has no side effects.
class AssignStringFunction final : public CTplFunction {
 public:
  using CTplFunction::CTplFunction;

  int32_t Execute(ITplMacroCall* call) override {
    std::vector<std::string> values;
    if (!ParseArguments(services(), call, ArgumentMode::kDeferred, &values)) return 1;
    if (!counts().Accepts(values.size())) return 1;
    ComPtr<ITplManager> manager = Manager();
    if (!manager) return 0;  // no result: the statement's text is its value
    const std::string condition = Settle(manager.get(), call, values[0]);
    static const std::string kNoElse;
    const std::string& chosen =
        IsTrueText(condition) ? values[1] : (values.size() > 2 ? values[2] : kNoElse);
    return SetResultText(call, Settle(manager.get(), call, chosen));
  }

 private:
  // A deferred value evaluated in the call's context now; any other value
  // as it is. A statement that does not resolve or sets no result gives
  // the empty text.
  static std::string Settle(ITplManager* manager, ITplMacroCall* call, const std::string& value) {
    if (value.empty() || value.front() != kDeferredMarker) return value;
    const char marker[] = {kDeferredMarker, '\0'};
    const std::string statement = DeQuote(value.c_str(), marker, marker);
    ComPtr<ICvoString> result = NewString();
    if (!result) return {};
    manager->ResolveMacroTextFor(statement.c_str(), call, result.get());
    return ReadString(result.get());
  }
};

// "true" when a resolver is registered for the name of every argument,
// read as raw statement text: quotes stay part of the name and nothing is
// evaluated.
class MacroExistFunction final : public CTplFunction {
 public:
  using CTplFunction::CTplFunction;

  int32_t Execute(ITplMacroCall* call) override {
    if (call == nullptr) return 1;
    int32_t count = 0;
    if (call->GetArgCount(&count) != 0 || count < 0 ||
        !counts().Accepts(static_cast<size_t>(count))) {
      return 1;
    }
    ComPtr<ICvoString> text = NewString();
    if (!text) return 1;
    bool all_known = true;
    for (int32_t i = 0; i < count && all_known; ++i) {
      text->Empty();
      call->GetArg(i, text.get());
      ComPtr<ITplManager> manager = Manager();
      if (!manager) continue;
      const std::string statement = ReadString(text.get());
      all_known = manager->HasResolverFor(statement.c_str()) == 0;
    }
    return SetResultText(call, TruthText(all_known));
  }
};

// The value of its argument evaluated as an expression of the patched
// file the call belongs to.
class ReplaceMacroExprFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    ComPtr<ITplUnknown> container;
    call->GetContainer(container.put());
    if (!container || services() == nullptr) return 1;
    ComPtr<ITplExpression> expression;
    services()->CreateExpression(expression.put(), container.get());
    ComPtr<ICvoString> value = NewString();
    if (!expression || !value) return 1;
    expression->SetText(values[0].c_str());
    try {
      // A failed evaluation gives the text unchanged.
      if (expression->Evaluate(value.get()) != 0) expression->GetText(value.get());
    } catch (...) {
      // The result is whatever the string object holds.
    }
    return SetResultText(call, ReadString(value.get()));
  }
};

// The bytes strictly between two "%", escapes removed, for each pair of
// "%" in turn; empty names are skipped, an opening "%" without a closing
// one is ignored.
std::vector<std::string> PercentNames(const std::string& text) {
  std::vector<std::string> names;
  size_t opening = std::string::npos;
  for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
    if (opening == std::string::npos) {
      opening = at;
      continue;
    }
    std::string name = RemoveEscapes(std::string_view(text).substr(opening + 1, at - opening - 1));
    if (!name.empty()) names.push_back(std::move(name));
    opening = std::string::npos;
  }
  return names;
}

// The text with each "%name%" replaced by the result of the statement
// name, evaluated in the call's context; empty when it sets no result.
class ReplaceMacrosFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    std::string text = std::move(values[0]);
    const std::vector<std::string> names = PercentNames(text);
    if (names.empty()) return SetResultText(call, text);
    ComPtr<ITplExpression> context;
    call->GetContext(context.put());
    for (const std::string& name : names) {
      text = ReplaceAll(text, "%" + name + "%", Evaluate(context.get(), name));
    }
    return SetResultText(call, text);
  }

 private:
  std::string Evaluate(ITplExpression* context, const std::string& statement) const {
    ComPtr<ICvoString> result = NewString();
    if (services() == nullptr) return {};
    try {
      ComPtr<ITplMacroCall> inner;
      services()->CreateMacroCall(inner.put(), context);
      if (inner && result) {
        inner->SetText(statement.c_str());
        services()->ResolveMacroCall(inner.get());  // unresolved: reported, empty result
        inner->GetResult(result.get());
      }
    } catch (...) {
      // The result is whatever the string object holds.
    }
    return ReadString(result.get());
  }
};

}  // namespace

std::unique_ptr<CTplFunction> MakeAssignString(const FunctionEntry& entry,
                                               ITplMacroServices* services) {
  return std::make_unique<AssignStringFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeMacroExist(const FunctionEntry& entry,
                                             ITplMacroServices* services) {
  return std::make_unique<MacroExistFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeReplaceMacroExpr(const FunctionEntry& entry,
                                                   ITplMacroServices* services) {
  return std::make_unique<ReplaceMacroExprFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeReplaceMacros(const FunctionEntry& entry,
                                                ITplMacroServices* services) {
  return std::make_unique<ReplaceMacrosFunction>(entry, services);
}

}  // namespace quenloft
