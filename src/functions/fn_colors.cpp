// The colour functions: NameToColor and ColorToName.
#include <TAVLOR/HtmlPack.h>

#include <cstdio>

#include "functions/function_table.h"

namespace quenloft {

namespace {

class NameToColorFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    if (values[0].empty()) return SetResultText(call, "");
    // An unknown name leaves the colour at 0, which gives "#000000".
    uint32_t color = 0;
    ColorNameToColor(values[0].c_str(), &color);
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(color & 0xFF),
                  static_cast<unsigned>((color >> 8) & 0xFF),
                  static_cast<unsigned>((color >> 16) & 0xFF));
    return SetResultText(call, text);
  }
};

// Listed so that templates can test for it, but it computes nothing: every
// call is reported as unresolved.
class ColorToNameFunction final : public CTplFunction {
 public:
  using CTplFunction::CTplFunction;
  int32_t Execute(ITplMacroCall*) override { return 1; }
};

}  // namespace

std::unique_ptr<CTplFunction> MakeNameToColor(const FunctionEntry& entry,
                                              ITplMacroServices* services) {
  return std::make_unique<NameToColorFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeColorToName(const FunctionEntry& entry,
                                              ITplMacroServices* services) {
  return std::make_unique<ColorToNameFunction>(entry, services);
}

}  // namespace quenloft
