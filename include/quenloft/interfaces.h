// The interfaces of Quenloft, in slot order.
//
// Slot order is the binary contract between this library, its hosts and
// resolver modules built separately (also in C, as structs of function
// pointers): it is only ever appended to. Every operation returns a 32-bit
// result, 0 for success and 1 for failure unless its comment says otherwise.
//
// References: a pointer handed out by a factory, by QueryInterface or by an
// operation carries one reference for the receiver, who releases it exactly
// once. Whoever keeps a pointer beyond a call takes its own reference.
// Text goes in as zero-terminated 8-bit strings borrowed for the call and
// comes out through ICvoString objects that the caller makes and passes in.
//
// Threads: a manager and every object it makes are used by one thread at a
// time. Only reference counts are atomic.
#ifndef QUENLOFT_INTERFACES_H
#define QUENLOFT_INTERFACES_H

#include <CorvaskObjs/CvoString.h>

#include "quenloft/config.h"
#include "quenloft/guid.h"
#include "quenloft/result_codes.h"

class CByteString;  // TAVLOR/ByteString.h; only GetFileContent takes one.

struct ITplResolver;
struct ITplVariables;
struct ITplMacroCall;
struct ITplExpression;
struct ITplPatchedFile;
struct ITplHostCallback;
struct ITplFileSource;
struct ITplManager;

// Slots 0-2 of every interface.
struct ITplUnknown {
  // Unknown IDs give TPL_E_NOTIMPL with *out null. A null out-pointer gives
  // an object-specific code (see each interface) and writes nothing.
  virtual int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) = 0;
  // Returns the count after the increment.
  virtual int32_t QL_CALL AddRef() = 0;
  // Returns the count after the decrement. Self-owned objects (manager,
  // resolver set, expression, macro call, patched file) destroy themselves
  // at 0; owner-held ones (scopes, resolvers of this library) never do.
  virtual int32_t QL_CALL Release() = 0;
};

// Implemented by the host; handed to ITplFileCopier::Initialize.
struct ITplHostCallback : ITplUnknown {
  // 3: messages, progress dots and line ends. Result ignored.
  virtual int32_t QL_CALL Output(const char* text) = 0;
  virtual int32_t QL_CALL Reserved4() = 0;  // 4: the host's own; never called
  virtual int32_t QL_CALL Reserved5() = 0;  // 5: the host's own; never called
  // 6: once per update-list entry before it is processed.
  virtual int32_t QL_CALL Progress(int32_t index, int32_t total) = 0;
  // 7: 0 when it has set *out to the name to use for path; any other value
  // lets the manager apply its own rule.
  virtual int32_t QL_CALL MapFileName(const char* path, ICvoString* out) = 0;
  virtual int32_t QL_CALL Reserved8() = 0;  // 8: the host's own; never called
  // 9: a destination file was written (or an update step ended).
  virtual int32_t QL_CALL NotifyFile(const char* path) = 0;
  virtual int32_t QL_CALL Reserved10() = 0;  // 10: the host's own; never called
  // 11: 0 makes the current pass stop early.
  virtual int32_t QL_CALL ShouldContinue() = 0;
};

// Optional, implemented by the host callback: the manager asks the host
// callback for it with QueryInterface(IID_ITplHostControl) once, in
// ITplFileCopier::Initialize, and keeps it until Terminate. A host that
// does not answer works exactly as before.
struct ITplHostControl : ITplUnknown {
  // 3: nonzero asks the library to stop evaluating: the call being
  // resolved fails, reported like an unresolved statement, and so does
  // every later one while the answer stays nonzero. Asked on the host's
  // thread before every evaluation (often: answer from a flag, such as one
  // a Ctrl-C handler sets). It changes nothing else: the passes go on and
  // write their files, with the markers of the failed statements kept.
  virtual int32_t QL_CALL ShouldStop() = 0;
};

// What ITplDiagnostics::Report receives: why a statement failed or looks
// wrong, and where it stands. The strings are borrowed for the call. Fields
// are only ever appended; `size` says how many the library filled.
struct TplDiagnostic {
  uint32_t size;          // sizeof(TplDiagnostic) as the library was built
  int32_t severity;       // TPL_DIAGNOSTIC_ERROR or TPL_DIAGNOSTIC_WARNING
  const char* code;       // a stable short name, e.g. "unknown-name" (docs/host-guide.md)
  const char* file;       // the patched file's name (its GetFileName); "" outside a file
  int32_t line;           // 1-based line of the spot in the file's text; 0 unknown
  int32_t column;         // 1-based column, in bytes; 0 unknown
  const char* statement;  // the statement concerned, as written; "" unknown
  const char* reason;     // one English sentence, without a line end
};
enum { TPL_DIAGNOSTIC_ERROR = 0, TPL_DIAGNOSTIC_WARNING = 1 };

// Optional, implemented by the host callback: the manager asks the host
// callback for it with QueryInterface(IID_ITplDiagnostics) once, in
// ITplFileCopier::Initialize, and keeps it until Terminate. A host that
// does not answer sees exactly the messages and results it saw before;
// one that answers sees the same, and a diagnostic besides: an error just
// before the Output message of the failure it explains, a warning where
// a statement resolved but probably not as its author meant.
struct ITplDiagnostics : ITplUnknown {
  // 3: one diagnostic, on the thread that evaluates. The result is ignored.
  virtual int32_t QL_CALL Report(const TplDiagnostic* diagnostic) = 0;
};

// Implemented by the host: supplies template files.
struct ITplFileSource : ITplUnknown {
  // 3: told the manager's temporary folder when the source is added.
  virtual int32_t QL_CALL Initialize(const char* folder) = 0;
  // 4: called once when the source is removed.
  virtual int32_t QL_CALL Uninitialize() = 0;
  // 5, 6: file names; an empty name ends the listing.
  virtual int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) = 0;
  virtual int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) = 0;
  // 7: the full path of the file's source on disk.
  virtual int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) = 0;
};

// Answers the names registered for it. Null out-pointer in QueryInterface: 1.
struct ITplResolver : ITplUnknown {
  virtual int32_t QL_CALL Initialize() = 0;    // 3
  virtual int32_t QL_CALL Uninitialize() = 0;  // 4
  // 5, 6: the names to register; an empty name ends the listing.
  virtual int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) = 0;
  virtual int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) = 0;
  // 7: another resolver asked for a name this one holds.
  virtual int32_t QL_CALL OnNameConflict(const char* name) = 0;
  // 8: 0 when the call was answered (normally with SetResult).
  virtual int32_t QL_CALL Resolve(ITplMacroCall* call) = 0;
};

// A named variable scope; also a resolver for the names it holds.
struct ITplVariables : ITplResolver {
  // 9, 10: store or append (null value counts as empty). Always 1.
  virtual int32_t QL_CALL SetVariable(const char* name, const char* value) = 0;
  virtual int32_t QL_CALL AppendVariable(const char* name, const char* value) = 0;
  // 11: 0 when the name was removed.
  virtual int32_t QL_CALL RemoveVariable(const char* name) = 0;
  // 12: withdraws every name from the registry and empties the scope.
  virtual int32_t QL_CALL ClearVariables() = 0;
};

// Optional interface of a host's resolver; no object of this library has it.
struct ITplResolverEx : ITplUnknown {
  virtual int32_t QL_CALL Reserved3() = 0;
  virtual int32_t QL_CALL Reserved4() = 0;
  virtual int32_t QL_CALL Reserved5() = 0;
  virtual int32_t QL_CALL Reserved6() = 0;
  virtual int32_t QL_CALL MapText(ICvoString* out, const char* text) = 0;          // 7
  virtual int32_t QL_CALL QueryMacro(ICvoString* out, const char* macroText) = 0;  // 8
};

// One statement. Null out-pointer in QueryInterface: TPL_E_INVALIDARG.
struct ITplMacroCall : ITplUnknown {
  // 3: clears every field, stores and parses the statement; 1 for null/"".
  virtual int32_t QL_CALL SetText(const char* text) = 0;
  virtual int32_t QL_CALL GetText(ICvoString* out) = 0;        // 4
  virtual int32_t QL_CALL GetName(ICvoString* out) = 0;        // 5 (null out: 0)
  virtual int32_t QL_CALL GetMember(ICvoString* out) = 0;      // 6 (null out: 0)
  virtual int32_t QL_CALL GetArgCount(int32_t* count) = 0;     // 7
  virtual int32_t QL_CALL GetArg(int32_t index, ICvoString* out) = 0;  // 8
  virtual int32_t QL_CALL GetAssignTarget(ICvoString* out) = 0;        // 9
  // 10: the owning expression, one reference; 1 when there is none.
  virtual int32_t QL_CALL GetContext(ITplExpression** out) = 0;
  // 11: what the owning expression's GetOwner gives (the patched file).
  virtual int32_t QL_CALL GetContainer(ITplUnknown** out) = 0;
  virtual int32_t QL_CALL SetResult(const char* text) = 0;             // 12
  virtual int32_t QL_CALL GetResult(ICvoString* out) = 0;              // 13
  virtual int32_t QL_CALL SetResultObject(ITplUnknown* object) = 0;    // 14
  virtual int32_t QL_CALL GetResultObject(ITplUnknown** out) = 0;      // 15
  // 16: the statement text when no result was set; empty for an answered
  // assignment; the result otherwise.
  virtual int32_t QL_CALL GetValue(ICvoString* out) = 0;
  virtual int32_t QL_CALL Clone(ITplMacroCall** out) = 0;  // 17
};

// The text of one marker, cut into statements. Null out-pointer in
// QueryInterface: TPL_E_INVALIDARG. Answers ITplVariables with its
// "Local-CurrentExpression" scope, which lives for one evaluation.
struct ITplExpression : ITplUnknown {
  virtual int32_t QL_CALL SetText(const char* text) = 0;  // 3
  virtual int32_t QL_CALL GetText(ICvoString* out) = 0;   // 4
  // 5, 6: the calls in text order; position 0xFFFFFFFF before the first,
  // 0 after the last.
  virtual int32_t QL_CALL GetFirstCall(ITplMacroCall** call, uint32_t* position) = 0;
  virtual int32_t QL_CALL GetNextCall(ITplMacroCall** call, uint32_t* position) = 0;
  // 7: 0 when every call was resolved (out gets the joined values); 1
  // otherwise (out gets the expression's own text).
  virtual int32_t QL_CALL Evaluate(ICvoString* out) = 0;
  virtual int32_t QL_CALL GetOwner(ITplUnknown** out) = 0;   // 8
  virtual int32_t QL_CALL Clone(ITplExpression** out) = 0;   // 9
};

// One template text file. Null out-pointer in QueryInterface:
// TPL_E_INVALIDARG. Answers ITplVariables with its
// "Local-CurrentPatchedFile" scope.
struct ITplPatchedFile : ITplUnknown {
  virtual int32_t QL_CALL SetText(const char* text) = 0;          // 3
  virtual int32_t QL_CALL GetText(ICvoString* out) = 0;           // 4
  virtual int32_t QL_CALL SetFileName(const char* path) = 0;      // 5
  virtual int32_t QL_CALL GetFileName(ICvoString* out) = 0;       // 6
  virtual int32_t QL_CALL Patch(ICvoString* out) = 0;             // 7
  virtual int32_t QL_CALL LoadFromFile(const char* path) = 0;     // 8
  virtual int32_t QL_CALL SaveToFile(const char* path) = 0;       // 9
  virtual int32_t QL_CALL AttachFileName(const char* path) = 0;   // 10
};

// The template manager's primary interface. Null out-pointer in
// QueryInterface: TPL_E_NOTIMPL. Answers ITplVariables with its
// "Global-Manager" scope.
struct ITplManager : ITplUnknown {
  virtual int32_t QL_CALL AddResolver(ITplResolver* resolver) = 0;        // 3
  virtual int32_t QL_CALL RemoveResolver(ITplResolver* resolver) = 0;     // 4
  virtual int32_t QL_CALL AddFileSource(ITplFileSource* source) = 0;      // 5
  virtual int32_t QL_CALL RemoveFileSource(ITplFileSource* source) = 0;   // 6
  virtual int32_t QL_CALL MapFileName(ICvoString* out, const char* path) = 0;  // 7
  virtual int32_t QL_CALL AddUpdateFile(const char* path) = 0;            // 8
  virtual int32_t QL_CALL GetHost(ITplHostCallback** out) = 0;            // 9
  virtual int32_t QL_CALL SetSystemValue(const char* name, const char* value) = 0;  // 10
  virtual int32_t QL_CALL HasResolverFor(const char* macroText) = 0;      // 11
  virtual int32_t QL_CALL ResolveMacroText(const char* text, ICvoString* out) = 0;    // 12
  virtual int32_t QL_CALL EvaluateExpression(const char* text, ICvoString* out) = 0;  // 13
  virtual int32_t QL_CALL ResolveMacroTextIn(const char* text, ITplExpression* context,
                                             ICvoString* out) = 0;                    // 14
  virtual int32_t QL_CALL EvaluateExpressionIn(const char* text, ITplUnknown* owner,
                                               ICvoString* out) = 0;                  // 15
  // 16: the provider's context comes from its slot 10 (GetContext).
  virtual int32_t QL_CALL ResolveMacroTextFor(const char* text, ITplMacroCall* provider,
                                              ICvoString* out) = 0;
  virtual int32_t QL_CALL PatchFile(const char* path) = 0;                // 17
  virtual int32_t QL_CALL AddFileToCache(const char* path) = 0;           // 18
  // 19: 0 when the destination was written now.
  virtual int32_t QL_CALL CopyThroughCache(const char* source, const char* destination,
                                           int32_t defer) = 0;
  virtual int32_t QL_CALL GetFileContent(const char* name, CByteString* content) = 0;  // 20
  // 21: 0 when cached, TPL_E_FAIL when not.
  virtual int32_t QL_CALL IsFileCached(const char* name) = 0;
  virtual int32_t QL_CALL WriteDeferredFile(const char* path) = 0;        // 22
};

// The manager's second interface: hosts, modules and the two passes.
struct ITplFileCopier : ITplUnknown {
  virtual int32_t QL_CALL Initialize(ITplHostCallback* host) = 0;  // 3
  virtual int32_t QL_CALL AddResolverModuleByHost(const char* modulePath, const char* hostPath,
                                                  const char* hostParam) = 0;  // 4
  virtual int32_t QL_CALL Terminate() = 0;                         // 5
  virtual int32_t QL_CALL CopyFilesByHost() = 0;                   // 6
  virtual int32_t QL_CALL UpdateFilesByHost() = 0;                 // 7
  virtual int32_t QL_CALL QueryAndMapMacro(const char* macroText, ICvoString* out) = 0;  // 8
  virtual int32_t QL_CALL QueryMacro(const char* macroText, ICvoString* out) = 0;        // 9
  virtual int32_t QL_CALL CopyTemplateFile(const char* name, ICvoString* out) = 0;       // 10
  virtual int32_t QL_CALL UpdateTemplateFile(const char* path) = 0;                      // 11
};

// The manager's third interface: what the objects it makes call back into.
struct ITplMacroServices : ITplUnknown {
  virtual int32_t QL_CALL RegisterName(const char* name, ITplResolver* resolver) = 0;    // 3
  virtual int32_t QL_CALL UnregisterName(const char* name, ITplResolver* resolver) = 0;  // 4
  virtual int32_t QL_CALL AddTemplateFile(const char* name, ITplFileSource* source) = 0;     // 5
  virtual int32_t QL_CALL RemoveTemplateFile(const char* name, ITplFileSource* source) = 0;  // 6
  virtual int32_t QL_CALL CreateMacroCall(ITplMacroCall** out, ITplExpression* context) = 0;  // 7
  virtual int32_t QL_CALL CreateExpression(ITplExpression** out, ITplUnknown* owner) = 0;     // 8
  virtual int32_t QL_CALL CreatePatchedFile(ITplPatchedFile** out) = 0;                       // 9
  // 10: 0 when resolved; performs the call's assignment.
  virtual int32_t QL_CALL ResolveMacroCall(ITplMacroCall* call) = 0;
};

// What a module hands out from CreateTemplateResolversInstance. Null
// out-pointer in QueryInterface: TPL_E_INVALIDARG.
struct ITplResolverSet : ITplUnknown {
  virtual int32_t QL_CALL Initialize() = 0;                          // 3
  virtual int32_t QL_CALL Uninitialize() = 0;                        // 4
  virtual int32_t QL_CALL SetManager(ITplManager* manager) = 0;      // 5 (no reference kept)
  virtual int32_t QL_CALL SetHostPath(const char* text) = 0;         // 6
  virtual int32_t QL_CALL SetHostParam(const char* text) = 0;        // 7
  virtual int32_t QL_CALL Reserved(int32_t value) = 0;               // 8
};

#endif  // QUENLOFT_INTERFACES_H
