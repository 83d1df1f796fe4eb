// Evaluates one expression with the built-in functions; prints its value.
#include <cstdio>

#include <quenloft/quenloft.h>

int main() {
  ITplManager* manager = nullptr;
  ITplFileCopier* copier = nullptr;
  ITplResolverSet* builtins = nullptr;
  ICvoString* out = nullptr;
  if (CreateTemplateManagerInstance(&manager) != 0 || manager == nullptr) return 1;
  manager->QueryInterface(IID_ITplFileCopier, reinterpret_cast<void**>(&copier));
  copier->Initialize(nullptr);
  CreateTemplateResolversInstance(&builtins);
  builtins->SetManager(manager);
  builtins->Initialize();
  CreateCvoStringInstance(&out);
  manager->EvaluateExpression("Concat('installed', ' ok')", out);
  const char* text = "";
  out->GetText(&text);
  std::printf("%s\n", text);
  out->Release();
  builtins->Uninitialize();
  builtins->Release();
  copier->Terminate();
  copier->Release();
  manager->Release();
  return 0;
}
