#include "prelude.h"

#include <algorithm>

#include "quenloft/com.h"
#include "quenloft/string_object.h"

namespace quenloft_tool {

std::vector<std::string> PreludeLines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = Trim(content.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line = Trim(line.substr(0, line.size() - 1));
    if (!line.empty() && line[0] != '#' && line[0] != ';') lines.push_back(std::move(line));
  }
  return lines;
}

namespace {

// Adds the "$$" names that the statements of `expression` assign to, once
// each, in order. The statements are parsed, not evaluated.
void AddGlobalTargets(ITplMacroServices* services, const std::string& expression,
                      std::vector<std::string>* targets) {
  quenloft::ComPtr<ITplExpression> parsed;
  if (services->CreateExpression(parsed.put(), nullptr) != 0 || !parsed) return;
  parsed->SetText(expression.c_str());
  const quenloft::Text target;
  uint32_t position = 0;
  quenloft::ComPtr<ITplMacroCall> call;
  for (parsed->GetFirstCall(call.put(), &position); call;
       parsed->GetNextCall(call.put(), &position)) {
    call->GetAssignTarget(target);
    const std::string name = target.text();
    if (name.ends_with("$$") && std::find(targets->begin(), targets->end(), name) == targets->end()) {
      targets->push_back(name);
    }
  }
}

}  // namespace

std::vector<NamedValue> RunPrelude(ITplManager* manager,
                                   const std::vector<std::string>& expressions) {
  std::vector<NamedValue> globals;
  const auto services = quenloft::ComPtr<ITplManager>::retain(manager).query<ITplMacroServices>();
  if (!services) return globals;
  std::vector<std::string> targets;
  for (const std::string& expression : expressions) {
    const quenloft::Text value;
    manager->EvaluateExpression(expression.c_str(), value);
    AddGlobalTargets(services.get(), expression, &targets);
  }
  for (const std::string& name : targets) {
    const quenloft::Text value;
    // Unset when its statement failed: nothing to hand on then.
    if (manager->HasResolverFor(name.c_str()) != 0) continue;
    manager->ResolveMacroText(name.c_str(), value);
    globals.emplace_back(name, value.text());
  }
  return globals;
}

}  // namespace quenloft_tool
