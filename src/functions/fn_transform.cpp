// Transform: an XSL transformation of two texts.
#include "functions/function_table.h"
#include "platform/xslt.h"

namespace quenloft {

namespace {

class TransformFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    // Any failure of the transformation gives the empty result.
    return SetResultText(call, platform::TransformXml(values[0], values[1]).value_or(""));
  }
};

}  // namespace

std::unique_ptr<CTplFunction> MakeTransform(const FunctionEntry& entry,
                                            ITplMacroServices* services) {
  return std::make_unique<TransformFunction>(entry, services);
}

}  // namespace quenloft
