// Placeholder until the statement language lands: no object can be made.
#include "patching/objects.h"

namespace quenloft {

ComPtr<ITplMacroCall> MakeMacroCall(ITplMacroServices*, ITplExpression*) { return nullptr; }
ComPtr<ITplExpression> MakeExpression(ITplMacroServices*, ITplUnknown*) { return nullptr; }
ComPtr<ITplPatchedFile> MakePatchedFile(ITplMacroServices*) { return nullptr; }
Owned<ITplVariables> MakeVariableScope(ITplMacroServices*, std::string_view) {
  return Owned<ITplVariables>(nullptr, [](ITplVariables*) {});
}

}  // namespace quenloft
