// What the built-in functions ask of the manager that runs them, beyond
// ITplManager: whether a file may be touched, how large a value may grow
// and how far a transformation may go, and a way to tell the host why a
// statement failed. The manager of this library answers ITplSandbox
// through QueryInterface; the interface stays inside the library. Under a
// manager that does not answer it, the file functions touch no file and
// the default limits apply.
#ifndef QUENLOFT_FUNCTIONS_SANDBOX_H
#define QUENLOFT_FUNCTIONS_SANDBOX_H

#include <cstdint>
#include <string>
#include <vector>

#include "functions/parse_arguments.h"
#include "platform/xslt.h"
#include "quenloft/conventions.h"
#include "quenloft/interfaces.h"

namespace quenloft {

// {AC640458-6885-4CF7-BBE0-6EA55ABB6D1E}
inline constexpr TplIID IID_ITplSandbox = {
    0xAC640458, 0x6885, 0x4CF7, {0xBB, 0xE0, 0x6E, 0xA5, 0x5A, 0xBB, 0x6D, 0x1E}};

// The bounds of the work one statement may do. A host changes them through
// system values (the manager reads them).
struct WorkLimits {
  // Evaluations (resolved or refused calls, nested ones included) per
  // top-level statement: bounds fan-out, which the nesting depth alone
  // does not (two evaluations per level give 2^64 at 64 levels).
  int64_t max_steps = kDefaultEvaluationLimit;
  // Bytes in one value that a function computes or loads.
  int64_t max_value_size = kDefaultValueSizeLimit;
  platform::TransformLimits transform;
};

enum class FileAccess : int32_t {
  kRead = 0,   // LoadFromFile, the source of MoveFile
  kWrite = 1,  // SaveToFile, MoveFile (its source is deleted)
};

struct ITplSandbox : ITplUnknown {
  // 3: 0 when the file functions may use path (a full path) as asked;
  // *real receives the path to use, where the path really leads (for a
  // write, a link in the last component is kept: the write replaces it).
  // 1 when refused; the host has been told, the path named.
  virtual int32_t QL_CALL CheckFileAccess(const char* path, FileAccess access,
                                          std::string* real) = 0;
  // 4: the limits in force; 0.
  virtual int32_t QL_CALL GetLimits(WorkLimits* out) = 0;
  // 5: tells the host why a statement failed (a message of
  // quenloft/conventions.h), at most once per top-level statement; 0.
  virtual int32_t QL_CALL ReportRefusal(const char* text) = 0;
  // 6: 0 when the host listens for diagnostics (ITplDiagnostics): only
  // then is a reason worth working out.
  virtual int32_t QL_CALL Diagnosing() = 0;
  // 7: why the statement at hand fails, or resolves but likely not as
  // meant: a code of docs/host-guide.md and one sentence. The manager
  // reports it once the statement's outcome is known (an error when it
  // fails, a warning when it resolves); 0.
  virtual int32_t QL_CALL Explain(const char* code, const char* reason) = 0;
  // 8: the values of the call's arguments as ParseArguments gives them,
  // into *values (emptied first); 0. The manager answers for the statement
  // of its own that it is resolving just now: it reads the arguments and
  // evaluates them without string objects. 1 for any other call, which is
  // then read through its interface.
  virtual int32_t QL_CALL ReadOwnArguments(ITplMacroCall* call, ArgumentMode mode,
                                           std::vector<std::string>* values) = 0;
  // 9: sets the result of that same statement to the text, up to its first
  // zero byte; 0. 1 for any other call, whose SetResult is then called.
  virtual int32_t QL_CALL SetOwnResult(ITplMacroCall* call, const char* text, size_t length) = 0;
  // 10: for that same statement, the result of the statement text
  // resolved in its context, as ResolveMacroTextFor gives it ("" when it
  // sets none), into *result; 0. 1 for any other call, for which
  // ResolveMacroTextFor is then called.
  virtual int32_t QL_CALL ResolveForOwn(ITplMacroCall* call, const char* text, size_t length,
                                        std::string* result) = 0;
  // 11: a call for a statement that a function evaluates in the context of
  // its own call (an argument, a name in a text), as CreateMacroCall makes
  // it, with one reference, into *out; 0, or 1 when none can be made. The
  // call counts its context, which does not hold it: a resolver may keep
  // the call beyond the context's owner.
  virtual int32_t QL_CALL CreateArgumentCall(ITplMacroCall** out, ITplExpression* context) = 0;
  // 12: the same for an expression that a function evaluates for the
  // container of its own call, as CreateExpression makes it: it counts
  // its owner, which does not hold it.
  virtual int32_t QL_CALL CreateTextExpression(ITplExpression** out, ITplUnknown* owner) = 0;
};

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_SANDBOX_H
