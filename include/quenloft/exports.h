// The library's three exports.
#ifndef QUENLOFT_EXPORTS_H
#define QUENLOFT_EXPORTS_H

#include "quenloft/interfaces.h"

extern "C" {

// A new template manager through *out with one reference; 0. A null
// out-pointer creates nothing and also gives 0.
QL_EXPORT_SYMBOL int32_t QL_CALL CreateTemplateManagerInstance(ITplManager** out);

// A new resolver set (the built-in functions) through *out with one
// reference; 0. A null out-pointer gives 1. Resolver modules export the
// same name with the same contract.
QL_EXPORT_SYMBOL int32_t QL_CALL CreateTemplateResolversInstance(ITplResolverSet** out);

// Fills the process-wide template file cache from the extension folder
// beside the library. May run on a thread of its own. Always 1.
QL_EXPORT_SYMBOL int32_t QL_CALL InitTemplateFilesToCache();

}  // extern "C"

// Function-pointer types for hosts that load the library at run time.
typedef int32_t(QL_CALL* PFN_CreateTemplateManagerInstance)(ITplManager** out);
typedef int32_t(QL_CALL* PFN_CreateTemplateResolversInstance)(ITplResolverSet** out);
typedef int32_t(QL_CALL* PFN_InitTemplateFilesToCache)();

#endif  // QUENLOFT_EXPORTS_H
