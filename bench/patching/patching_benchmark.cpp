// Patching throughput as a host sees it: a manager makes a patched file,
// which is given an HTML text and patched into a string object. Bytes per
// second count the input text.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "quenloft/com_ptr.h"
#include "quenloft/quenloft.h"

namespace quenloft {
namespace {

constexpr const char* kMarker = "<!--%title$$%-->";

// HTML of about `size` bytes: repeated 100-byte blocks, each holding one
// variable marker when `with_markers` is set.
std::string HtmlText(size_t size, bool with_markers) {
  std::string block = "<p class=\"body\">";
  if (with_markers) block += kMarker;
  block += " lorem ipsum, 50% dolor; sit /* amet */ consectetur";
  block.append(99 - block.size(), '.');
  block += '\n';
  std::string text = "<html><head><title>bench</title></head><body>\n";
  while (text.size() + block.size() <= size) text += block;
  text.append(size - text.size(), ' ');
  return text;
}

class Manager {
 public:
  Manager() {
    CreateTemplateManagerInstance(manager_.put());
    services_ = manager_.query<ITplMacroServices>(IID_ITplMacroServices);
    if (ComPtr<ITplVariables> globals = manager_.query<ITplVariables>(IID_ITplVariables))
      globals->SetVariable("title$$", "Quenloft benchmark");
  }
  ITplMacroServices* services() const { return services_.get(); }

 private:
  ComPtr<ITplManager> manager_;
  ComPtr<ITplMacroServices> services_;
};

void Patch(benchmark::State& state, bool with_markers) {
  const std::string text = HtmlText(static_cast<size_t>(state.range(0)), with_markers);
  Manager manager;
  ComPtr<ICvoString> out;
  CreateCvoStringInstance(out.put());
  if (!manager.services() || !out) {
    state.SkipWithError("no manager");
    return;
  }
  // The markers must really be replaced, or the figures mean nothing.
  {
    ComPtr<ITplPatchedFile> file;
    manager.services()->CreatePatchedFile(file.put());
    file->SetText(text.c_str());
    file->SetFileName("x.htm");
    file->Patch(out.get());
    const char* patched = nullptr;
    out->GetText(&patched);
    if (patched == nullptr || std::string_view(patched).find("<!--%") != std::string_view::npos) {
      state.SkipWithError("markers were not replaced");
      return;
    }
  }
  for (auto _ : state) {
    ComPtr<ITplPatchedFile> file;
    manager.services()->CreatePatchedFile(file.put());
    file->SetText(text.c_str());
    file->SetFileName("x.htm");
    file->Patch(out.get());
    benchmark::DoNotOptimize(out->GetLength());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  if (with_markers) state.counters["markers"] = static_cast<double>(text.size() / 100);
}

void BM_PatchPlainHtml(benchmark::State& state) { Patch(state, false); }
void BM_PatchHtmlWithMarkers(benchmark::State& state) { Patch(state, true); }

BENCHMARK(BM_PatchPlainHtml)->RangeMultiplier(8)->Range(16 << 10, 10 << 20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatchHtmlWithMarkers)->RangeMultiplier(8)->Range(16 << 10, 10 << 20)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quenloft

BENCHMARK_MAIN();
