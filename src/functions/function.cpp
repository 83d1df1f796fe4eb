#include "functions/function.h"

#include "functions/function_table.h"
#include "quenloft/iids.h"

namespace quenloft {

CTplFunction::CTplFunction(const FunctionEntry& entry, ITplMacroServices* services)
    : name_(entry.name), counts_(entry.counts), services_(services) {}

CTplFunction::~CTplFunction() = default;

ComPtr<ITplManager> CTplFunction::Manager() const {
  if (services_ == nullptr) return nullptr;
  return ComPtr<ITplMacroServices>::retain(services_).query<ITplManager>(IID_ITplManager);
}

int32_t CTplEvaluatingFunction::Execute(ITplMacroCall* call) {
  std::vector<std::string> values;
  if (!ParseArguments(services(), call, ArgumentMode::kEvaluated, &values)) return 1;
  if (!counts().Accepts(values.size())) return 1;
  return Run(call, values);
}

int32_t SetResultText(ITplMacroCall* call, std::string_view text) {
  // The call takes zero-terminated text; a copy supplies the terminator.
  const std::string copy(text);
  call->SetResult(copy.c_str());
  return 0;
}

std::string ReplaceAll(const std::string& text, std::string_view find,
                       std::string_view replacement) {
  if (find.empty()) return text;
  // One pass into a new string: linear however often find occurs.
  std::string out;
  size_t from = 0;
  for (size_t at = text.find(find); at != std::string::npos; at = text.find(find, from)) {
    if (from == 0) out.reserve(text.size());
    out.append(text, from, at - from);
    out.append(replacement);
    from = at + find.size();
  }
  if (from == 0) return text;
  out.append(text, from, std::string::npos);
  return out;
}

bool IsTrueText(std::string_view text) {
  constexpr std::string_view kSpace = " \t\n\v\f\r";
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(kSpace) - first + 1);
  if (text.size() > 4) return false;
  char folded[4];
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    folded[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  const std::string_view lower(folded, text.size());
  return lower == "true" || lower == "yes" || lower == "1";
}

}  // namespace quenloft
