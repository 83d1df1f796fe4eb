// Result codes. Every interface operation returns a 32-bit value: 0 for
// success, 1 for failure, bad argument, not found or the end of a listing,
// unless the operation's contract says otherwise.
#ifndef QUENLOFT_RESULT_CODES_H
#define QUENLOFT_RESULT_CODES_H

#include "quenloft/config.h"

#define TPL_S_OK ((int32_t)0)
#define TPL_S_FALSE ((int32_t)1)
// QueryInterface: interface not supported (and the manager's answer to a
// null out-pointer).
#define TPL_E_NOTIMPL ((int32_t)0x80004001u)
// QueryInterface of expressions, macro calls, patched files and resolver
// sets: null out-pointer.
#define TPL_E_INVALIDARG ((int32_t)0x80070057u)
// IsFileCached: the file is not cached.
#define TPL_E_FAIL ((int32_t)0x80004005u)

#endif  // QUENLOFT_RESULT_CODES_H
