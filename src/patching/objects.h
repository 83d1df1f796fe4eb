// Factories for the objects a manager makes. Self-owned objects come back
// with one reference (null when they cannot be allocated); scopes are
// owner-held and come back as Owned, whose deleter runs ClearVariables
// (withdrawing every name the scope registered) before destroying it.
#ifndef QUENLOFT_PATCHING_OBJECTS_H
#define QUENLOFT_PATCHING_OBJECTS_H

#include <string_view>

#include "frame/boundary.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

// Scope names.
inline constexpr std::string_view kGlobalScopeName = "Global-Manager";
inline constexpr std::string_view kFileScopeName = "Local-CurrentPatchedFile";
inline constexpr std::string_view kExpressionScopeName = "Local-CurrentExpression";

ComPtr<ITplMacroCall> MakeMacroCall(ITplMacroServices* services, ITplExpression* owner);
ComPtr<ITplExpression> MakeExpression(ITplMacroServices* services, ITplUnknown* owner);
ComPtr<ITplPatchedFile> MakePatchedFile(ITplMacroServices* services);
// Null (with a no-op deleter) when it cannot be allocated.
Owned<ITplVariables> MakeVariableScope(ITplMacroServices* services, std::string_view name);

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_OBJECTS_H
