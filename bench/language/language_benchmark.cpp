// What one marker costs: evaluating a marker that names a variable, and
// parsing one statement.
#include <benchmark/benchmark.h>

#include <string>

#include "language/statement_parser.h"
#include "quenloft/quenloft.h"

namespace {

// A manager with the global variable title$$ set, as a host would set it.
class Fixture {
 public:
  Fixture() {
    CreateTemplateManagerInstance(&manager);
    manager->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&global));
    global->SetVariable("title$$", "Quenloft Help");
    manager->QueryInterface(IID_ITplMacroServices, reinterpret_cast<void**>(&services));
    CreateCvoStringInstance(&out);
  }
  ~Fixture() {
    out->Release();
    services->Release();
    global->Release();
    manager->Release();
  }
  Fixture(const Fixture&) = delete;
  Fixture& operator=(const Fixture&) = delete;

  ITplManager* manager = nullptr;
  ITplVariables* global = nullptr;
  ITplMacroServices* services = nullptr;
  ICvoString* out = nullptr;
};

void BM_EvaluateVariableMarker(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    f.manager->EvaluateExpression("title$$", f.out);
    benchmark::DoNotOptimize(f.out);
  }
}
BENCHMARK(BM_EvaluateVariableMarker);

void BM_ResolveVariableText(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    f.manager->ResolveMacroText("title$$", f.out);
    benchmark::DoNotOptimize(f.out);
  }
}
BENCHMARK(BM_ResolveVariableText);

// "x = Concat(arg0, 'arg1', ...)" with the given number of arguments.
std::string CallWithArguments(int count) {
  std::string text = "x = Concat(";
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ", ";
    text += (i % 2 == 0) ? "arg" + std::to_string(i) : "'arg\\'" + std::to_string(i) + "'";
  }
  return text + ")";
}

void BM_ParseStatement(benchmark::State& state) {
  const std::string text = CallWithArguments(static_cast<int>(state.range(0)));
  quenloft::StatementParts parts;
  for (auto _ : state) {
    quenloft::ParseStatement(text, &parts);
    benchmark::DoNotOptimize(parts.arguments.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseStatement)->Arg(0)->Arg(2)->Arg(8)->Arg(64);

// The same parse through a macro call's SetText, which also copies the text.
void BM_MacroCallSetText(benchmark::State& state) {
  Fixture f;
  const std::string text = CallWithArguments(static_cast<int>(state.range(0)));
  ITplMacroCall* call = nullptr;
  f.services->CreateMacroCall(&call, nullptr);
  for (auto _ : state) {
    call->SetText(text.c_str());
    benchmark::ClobberMemory();
  }
  call->Release();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_MacroCallSetText)->Arg(2)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
