// The text functions: Concat (also listed as Output), Replace, HtmlToText,
// TextToHtml.
#include <TAVLOR/HtmlPack.h>

#include "functions/function_table.h"

namespace quenloft {

namespace {

class ConcatFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    size_t size = 0;
    for (const std::string& value : values) size += value.size();
    std::string joined;
    joined.reserve(size);
    for (const std::string& value : values) joined += value;
    return SetResultText(call, joined);
  }
};

class ReplaceFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    std::string text = std::move(values[0]);
    for (size_t i = 1; i + 1 < values.size(); i += 2) text = ReplaceAll(text, values[i], values[i + 1]);
    return SetResultText(call, text);
  }
};

class HtmlToTextFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    return SetResultText(call, CHtmlPack::HtmlToText(values[0].c_str()));
  }
};

class TextToHtmlFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    return SetResultText(call, CHtmlPack::TextToHtml(values[0].c_str()));
  }
};

}  // namespace

std::unique_ptr<CTplFunction> MakeConcat(const FunctionEntry& entry, ITplMacroServices* services) {
  return std::make_unique<ConcatFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeReplace(const FunctionEntry& entry, ITplMacroServices* services) {
  return std::make_unique<ReplaceFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeHtmlToText(const FunctionEntry& entry,
                                             ITplMacroServices* services) {
  return std::make_unique<HtmlToTextFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeTextToHtml(const FunctionEntry& entry,
                                             ITplMacroServices* services) {
  return std::make_unique<TextToHtmlFunction>(entry, services);
}

}  // namespace quenloft
