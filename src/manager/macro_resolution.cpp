// Placeholder until macro resolution lands: nothing resolves.
#include "manager/manager_impl.h"

namespace quenloft {

int32_t CTplManagerImpl::ResolveMacroCall(ITplMacroCall*) { return 1; }
int32_t CTplManagerImpl::HasResolverFor(const char*) { return 1; }
int32_t CTplManagerImpl::ResolveMacroText(const char*, ICvoString*) { return 1; }
int32_t CTplManagerImpl::EvaluateExpression(const char*, ICvoString*) { return 1; }
int32_t CTplManagerImpl::ResolveMacroTextIn(const char*, ITplExpression*, ICvoString*) { return 1; }
int32_t CTplManagerImpl::EvaluateExpressionIn(const char*, ITplUnknown*, ICvoString*) { return 1; }
int32_t CTplManagerImpl::ResolveMacroTextFor(const char*, ITplMacroCall*, ICvoString*) { return 1; }
int32_t CTplManagerImpl::QueryAndMapMacro(const char*, ICvoString*) { return 1; }
int32_t CTplManagerImpl::QueryMacro(const char*, ICvoString*) { return 1; }

}  // namespace quenloft
