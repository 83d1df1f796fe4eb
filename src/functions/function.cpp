#include "functions/function.h"

#include "frame/format_text.h"
#include "functions/parse_arguments.h"
#include "quenloft/conventions.h"
#include "quenloft/iids.h"
#include "quenloft/string_object.h"

namespace quenloft {

namespace {

// The argument texts as written. A text the call cannot give is read as
// the empty text, which names nothing, and ends the list.
bool ReadRawTexts(ITplMacroCall* call, std::vector<std::string>* values) {
  int32_t count = 0;
  if (call->GetArgCount(&count) != 0 || count < 0) return false;
  const ComPtr<ICvoString> text = NewString();
  if (!text) return false;
  for (int32_t i = 0; i < count; ++i) {
    text->Empty();
    const bool read = call->GetArg(i, text.get()) == 0;
    values->push_back(ReadString(text.get()));
    if (!read) break;
  }
  return true;
}

bool ReadArguments(Reading reading, ITplMacroServices* services, ITplSandbox* sandbox,
                   ITplMacroCall* call, std::vector<std::string>* values) {
  switch (reading) {
    case Reading::kEvaluated:
      return ParseArguments(services, call, ArgumentMode::kEvaluated, values, sandbox);
    case Reading::kDeferred:
      return ParseArguments(services, call, ArgumentMode::kDeferred, values, sandbox);
    case Reading::kRawTexts:
      return ReadRawTexts(call, values);
  }
  return false;
}

}  // namespace

ComPtr<ITplManager> Invocation::Manager() const {
  if (services == nullptr) return nullptr;
  return ComPtr<ITplMacroServices>::retain(services).query<ITplManager>(IID_ITplManager);
}

int32_t Invocation::SetResult(std::string_view text) const {
  if (!Fits(text.size())) return 1;
  if (sandbox != nullptr && sandbox->SetOwnResult(call, text.data(), text.size()) == 0) return 0;
  // The call takes zero-terminated text; a copy supplies the terminator.
  const std::string copy(text);
  call->SetResult(copy.c_str());
  return 0;
}

WorkLimits Invocation::Limits() const {
  WorkLimits limits;
  if (sandbox != nullptr) sandbox->GetLimits(&limits);
  return limits;
}

bool Invocation::Fits(uint64_t size) const {
  if (size <= static_cast<uint64_t>(Limits().max_value_size)) return true;
  TooLarge();
  return false;
}

int32_t Invocation::TooLarge() const {
  Report(FormatText(kValueTooLargeMessage, std::to_string(Limits().max_value_size)));
  return 1;
}

void Invocation::Report(const std::string& text) const {
  if (sandbox != nullptr) sandbox->ReportRefusal(text.c_str());
}

bool Invocation::Diagnosing() const { return sandbox != nullptr && sandbox->Diagnosing() == 0; }

void Invocation::Explain(const char* code, const std::string& reason) const {
  if (sandbox != nullptr) sandbox->Explain(code, reason.c_str());
}

std::string ArgumentCount::Describe() const {
  const std::string low = std::to_string(min);
  if (odd_only) return "an odd number, at least " + low;
  if (max == kUnbounded) return "at least " + low;
  if (min == max) return "exactly " + low;
  return low + (max == min + 1 ? " or " : " to ") + std::to_string(max);
}

std::optional<std::string> Invocation::Allowed(const std::string& path, FileAccess access) const {
  // Under a manager that cannot tell, no file is touched.
  std::string real;
  if (sandbox == nullptr || sandbox->CheckFileAccess(path.c_str(), access, &real) != 0) {
    return std::nullopt;
  }
  return real;
}

int32_t CTplFunction::Execute(ITplMacroCall* call, ITplMacroServices* services,
                              ITplSandbox* sandbox, std::vector<std::string>* values) const {
  if (call == nullptr) return 1;
  Invocation invocation{call, services, sandbox, {}};
  if (values != nullptr) invocation.values.swap(*values);
  // The room goes back however the run ends.
  struct GiveBack {
    std::vector<std::string>& from;
    std::vector<std::string>* to;
    ~GiveBack() {
      if (to != nullptr) to->swap(from);
    }
  } give_back{invocation.values, values};
  if (!ReadArguments(reading, services, sandbox, call, &invocation.values)) return 1;
  if (!counts.Accepts(invocation.values.size())) {
    if (invocation.Diagnosing()) {
      const size_t given = invocation.values.size();
      invocation.Explain(kArgumentCountCode,
                         std::string(name) + " takes " + counts.Describe() + " argument" +
                             (counts.min == 1 && counts.max == 1 ? "" : "s") + ", not " +
                             std::to_string(given));
    }
    return 1;
  }
  return run(invocation);
}

}  // namespace quenloft
