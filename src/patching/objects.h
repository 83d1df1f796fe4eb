// Factories for the objects a manager makes. Self-owned objects come back
// with one reference (null when they cannot be allocated); scopes are
// owner-held and come back as Owned, whose deleter runs ClearVariables
// (withdrawing every name the scope registered) before destroying it.
#ifndef QUENLOFT_PATCHING_OBJECTS_H
#define QUENLOFT_PATCHING_OBJECTS_H

#include <string_view>

#include "frame/boundary.h"
#include "patching/manager_life.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplMacroCallImpl;
class EvaluationSites;
class MacroEngine;

// Scope names.
inline constexpr std::string_view kGlobalScopeName = "Global-Manager";
inline constexpr std::string_view kFileScopeName = "Local-CurrentPatchedFile";
inline constexpr std::string_view kExpressionScopeName = "Local-CurrentExpression";

// Who makes an object: the manager, through its services, and as the
// engine its objects take their shortcuts with (macro_engine.h); no engine
// for the straightforward path. Patched files set the site of the marker
// they evaluate in `sites` (none for objects that name no site). Every
// object made holds the manager's `life` (manager_life.h), which tells it
// when the manager is gone.
struct Maker {
  ITplMacroServices* services;
  MacroEngine* engine;
  EvaluationSites* sites = nullptr;
  ComPtr<ManagerLife> life;
};

ComPtr<ITplMacroCall> MakeMacroCall(const Maker& maker, ITplExpression* owner);
// The same, for the library's code that tells the call about its owner.
ComPtr<CTplMacroCallImpl> MakeOwnMacroCall(const Maker& maker, ITplExpression* owner);
ComPtr<ITplExpression> MakeExpression(const Maker& maker, ITplUnknown* owner);
ComPtr<ITplPatchedFile> MakePatchedFile(const Maker& maker);
// Null (with a no-op deleter) when it cannot be allocated.
Owned<ITplVariables> MakeVariableScope(const Maker& maker, std::string_view name);

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_OBJECTS_H
