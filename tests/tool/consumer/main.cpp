// Evaluates one expression with the built-in functions, through the
// installed host helper; prints its value.
#include <quenloft/com.h>
#include <quenloft/quenloft.h>

#include <cstdio>

int main() {
  quenloft::ComPtr<ITplManager> manager;
  if (CreateTemplateManagerInstance(manager.put()) != 0 || !manager) return 1;
  const auto copier = manager.query<ITplFileCopier>();
  quenloft::ComPtr<ITplResolverSet> builtins;
  if (!copier || copier->Initialize(nullptr) != 0 ||
      CreateTemplateResolversInstance(builtins.put()) != 0) {
    return 1;
  }
  builtins->SetManager(manager.get());
  builtins->Initialize();
  quenloft::Text out;
  manager->EvaluateExpression("Concat('installed', ' ok')", out);
  std::printf("%s\n", out.text().c_str());
  builtins->Uninitialize();
  copier->Terminate();
  return 0;
}
