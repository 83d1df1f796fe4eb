// Patching throughput as a host sees it: a manager makes a patched file,
// which is given an HTML text and patched into a string object, or patches
// a file on disk in place. Bytes per second count the input text.
//
// Each workload runs on a manager with the fast paths and on one without
// (the straightforward path), so that one run shows what the fast paths
// are worth:
//   plain      text without a marker
//   dense      a variable marker every ~100 bytes, 50 variables
//   functions  a call every ~170 bytes: Concat, Replace, CompareString with
//              AssignString (a third each)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "manager/manager_impl.h"
#include "quenloft/com_ptr.h"
#include "resolvers/resolver_set.h"

namespace quenloft {
namespace {

constexpr int kVariables = 50;

// Names of five bytes and more: shorter marker texts never parse.
std::string Variable(int i) { return "var" + std::to_string(i) + "$$"; }

// The marker of the i-th block of a workload; empty for plain text.
std::string Marker(std::string_view workload, int i) {
  const std::string v = Variable(i % kVariables);
  if (workload == "dense") return "<!--%" + v + "%-->";
  if (workload != "functions") return {};
  switch (i % 3) {
    case 0:
      return "<!--%Concat(" + v + ", ' - ', " + Variable((i + 7) % kVariables) + ")%-->";
    case 1:
      return "<!--%Replace(" + v + ", ' ', '_')%-->";
    default:
      return "<!--%cmp = CompareString('==', " + v + ", 'lit'); AssignString(cmp, 't1', 't2')%-->";
  }
}

// HTML of about `size` bytes: blocks of text, each followed by the
// workload's marker.
std::string HtmlText(std::string_view workload, size_t size) {
  const size_t text_bytes = workload == "functions" ? 120 : 90;
  std::string text = "<html><head><title>bench</title></head><body>\n";
  for (int i = 0; text.size() < size; ++i) {
    std::string block = "<p class=\"body\"> lorem ipsum, 50% dolor; sit /* amet */ consectetur";
    block.resize(text_bytes, '.');
    text += block + Marker(workload, i) + "\n";
  }
  return text;
}

class Manager {
 public:
  explicit Manager(EvaluationPath path) {
    CreateManagerInstance(manager_.put(), path);
    services_ = manager_.query<ITplMacroServices>(IID_ITplMacroServices);
    CreateResolverSetInstance(functions_.put());
    if (!services_ || !functions_) return;
    functions_->SetManager(manager_.get());
    functions_->Initialize();
    if (ComPtr<ITplVariables> globals = manager_.query<ITplVariables>(IID_ITplVariables)) {
      for (int i = 0; i < kVariables; ++i) {
        globals->SetVariable(Variable(i).c_str(), ("value of " + std::to_string(i)).c_str());
      }
    }
  }
  ~Manager() {
    if (functions_) functions_->Uninitialize();
  }
  ITplManager* manager() const { return manager_.get(); }
  ITplMacroServices* services() const { return services_.get(); }

 private:
  ComPtr<ITplManager> manager_;
  ComPtr<ITplMacroServices> services_;
  ComPtr<ITplResolverSet> functions_;
};

// The text patched once; false when a marker was left (the figures would
// then mean nothing).
bool Patch(const Manager& manager, const std::string& text, ICvoString* out) {
  ComPtr<ITplPatchedFile> file;
  manager.services()->CreatePatchedFile(file.put());
  if (!file) return false;
  file->SetText(text.c_str());
  file->SetFileName("x.htm");
  file->Patch(out);
  const char* patched = nullptr;
  out->GetText(&patched);
  return patched != nullptr && std::string_view(patched).find("<!--%") == std::string_view::npos;
}

void Report(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_Patch(benchmark::State& state, const char* workload, EvaluationPath path) {
  const std::string text = HtmlText(workload, static_cast<size_t>(state.range(0)));
  const Manager manager(path);
  ComPtr<ICvoString> out;
  CreateCvoStringInstance(out.put());
  if (!manager.services() || !out || !Patch(manager, text, out.get())) {
    state.SkipWithError("markers were not replaced");
    return;
  }
  for (auto _ : state) {
    Patch(manager, text, out.get());
    benchmark::DoNotOptimize(out->GetLength());
  }
  Report(state, text.size());
}

// PatchFile on a file in the temporary folder: one read, the composition,
// one write (tmpfs or disk, whatever TMPDIR is).
void BM_PatchFile(benchmark::State& state, const char* workload) {
  const std::string text = HtmlText(workload, static_cast<size_t>(state.range(0)));
  const Manager manager(EvaluationPath::kFast);
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/quenloft-bench-XXXXXX.htm";
  const int fd = mkstemps(path.data(), 4);
  if (fd < 0 || !manager.services()) {
    state.SkipWithError("no temporary file");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    const bool written = pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
    state.ResumeTiming();
    if (!written || manager.manager()->PatchFile(path.c_str()) != 0) {
      state.SkipWithError("not patched");
      break;
    }
  }
  close(fd);
  std::remove(path.c_str());
  Report(state, text.size());
}

constexpr int64_t kSmall = 16 << 10;
constexpr int64_t kLarge = 8 << 20;

#define QUENLOFT_PATCH_BENCHMARK(workload)                                                   \
  BENCHMARK_CAPTURE(BM_Patch, workload##_fast, #workload, EvaluationPath::kFast)             \
      ->RangeMultiplier(8)->Range(kSmall, kLarge)->Unit(benchmark::kMillisecond);            \
  BENCHMARK_CAPTURE(BM_Patch, workload##_straightforward, #workload,                         \
                    EvaluationPath::kStraightforward)                                        \
      ->RangeMultiplier(8)->Range(kSmall, kLarge)->Unit(benchmark::kMillisecond);

QUENLOFT_PATCH_BENCHMARK(plain)
QUENLOFT_PATCH_BENCHMARK(dense)
QUENLOFT_PATCH_BENCHMARK(functions)

BENCHMARK_CAPTURE(BM_PatchFile, plain, "plain")->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PatchFile, dense, "dense")->Arg(kLarge)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quenloft

BENCHMARK_MAIN();
