// CTplManagerImpl: the template manager, the one object through which a
// host drives the library. Four interfaces over one count: ITplManager
// (primary), ITplFileCopier, ITplMacroServices and, for the built-in
// functions inside the library, ITplSandbox. Used by one thread at a time;
// nothing here is locked.
//
// The operations are implemented by area:
//   manager_impl.cpp      identity, lifetime, bookkeeping, object factories
//   temp_folder.cpp       the temporary folder and the environment line
//   macro_resolution.cpp  ResolveMacroCall and the text operations
//   manager_patch.cpp     PatchFile
//   manager_cache.cpp     the four cache operations
//   manager_modules.cpp   AddResolverModuleByHost
//   copy_flow.cpp         the copy and update passes
//   confinement.cpp       the folders that files may be read and written in
//   work_bounds.cpp       the bounds of the work of one statement
//   diagnostics.cpp       the host's diagnostics
#ifndef QUENLOFT_MANAGER_MANAGER_IMPL_H
#define QUENLOFT_MANAGER_MANAGER_IMPL_H

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "frame/boundary.h"
#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"
#include "functions/sandbox.h"
#include "functions/system_resolver.h"
#include "language/statement_parser.h"
#include "manager/diagnostics.h"
#include "manager/file_list.h"
#include "manager/work_bounds.h"
#include "patching/macro_engine.h"
#include "patching/objects.h"
#include "platform/real_path.h"
#include "resolvers/resolver_module_list.h"
#include "resolvers/resolver_registry.h"

namespace quenloft {

class ArgumentStatement;

// How a manager's own objects evaluate: with the shortcuts of
// patching/macro_engine.h, or everything through the interfaces (the
// straightforward path the tests compare the shortcuts with).
enum class EvaluationPath { kFast, kStraightforward };

// The body of the export CreateTemplateManagerInstance (kFast).
int32_t CreateManagerInstance(ITplManager** out, EvaluationPath path = EvaluationPath::kFast);

class CTplManagerImpl final : public ComObject<CTplManagerImpl, ITplManager, ITplFileCopier,
                                               ITplMacroServices, ITplSandbox>,
                              private MacroEngine {
 public:
  static constexpr int32_t kNullOutResult = TPL_E_NOTIMPL;
  static std::span<const QIEntry> InterfaceTable();

  // Nested evaluation deeper than this fails like an unresolved statement.
  static constexpr int kMaxNestingDepth = 64;

  explicit CTplManagerImpl(EvaluationPath path = EvaluationPath::kFast);
  ~CTplManagerImpl() override;

  // ITplManager
  int32_t QL_CALL AddResolver(ITplResolver* resolver) override;
  int32_t QL_CALL RemoveResolver(ITplResolver* resolver) override;
  int32_t QL_CALL AddFileSource(ITplFileSource* source) override;
  int32_t QL_CALL RemoveFileSource(ITplFileSource* source) override;
  int32_t QL_CALL MapFileName(ICvoString* out, const char* path) override;
  int32_t QL_CALL AddUpdateFile(const char* path) override;
  int32_t QL_CALL GetHost(ITplHostCallback** out) override;
  int32_t QL_CALL SetSystemValue(const char* name, const char* value) override;
  int32_t QL_CALL HasResolverFor(const char* macro_text) override;
  int32_t QL_CALL ResolveMacroText(const char* text, ICvoString* out) override;
  int32_t QL_CALL EvaluateExpression(const char* text, ICvoString* out) override;
  int32_t QL_CALL ResolveMacroTextIn(const char* text, ITplExpression* context,
                                     ICvoString* out) override;
  int32_t QL_CALL EvaluateExpressionIn(const char* text, ITplUnknown* owner,
                                       ICvoString* out) override;
  int32_t QL_CALL ResolveMacroTextFor(const char* text, ITplMacroCall* provider,
                                      ICvoString* out) override;
  int32_t QL_CALL PatchFile(const char* path) override;
  int32_t QL_CALL AddFileToCache(const char* path) override;
  int32_t QL_CALL CopyThroughCache(const char* source, const char* destination,
                                   int32_t defer) override;
  int32_t QL_CALL GetFileContent(const char* name, CByteString* content) override;
  int32_t QL_CALL IsFileCached(const char* name) override;
  int32_t QL_CALL WriteDeferredFile(const char* path) override;

  // ITplFileCopier
  int32_t QL_CALL Initialize(ITplHostCallback* host) override;
  int32_t QL_CALL AddResolverModuleByHost(const char* module_path, const char* host_path,
                                          const char* host_param) override;
  int32_t QL_CALL Terminate() override;
  int32_t QL_CALL CopyFilesByHost() override;
  int32_t QL_CALL UpdateFilesByHost() override;
  int32_t QL_CALL QueryAndMapMacro(const char* macro_text, ICvoString* out) override;
  int32_t QL_CALL QueryMacro(const char* macro_text, ICvoString* out) override;
  int32_t QL_CALL CopyTemplateFile(const char* name, ICvoString* out) override;
  int32_t QL_CALL UpdateTemplateFile(const char* path) override;

  // ITplMacroServices
  int32_t QL_CALL RegisterName(const char* name, ITplResolver* resolver) override;
  int32_t QL_CALL UnregisterName(const char* name, ITplResolver* resolver) override;
  int32_t QL_CALL AddTemplateFile(const char* name, ITplFileSource* source) override;
  int32_t QL_CALL RemoveTemplateFile(const char* name, ITplFileSource* source) override;
  int32_t QL_CALL CreateMacroCall(ITplMacroCall** out, ITplExpression* context) override;
  int32_t QL_CALL CreateExpression(ITplExpression** out, ITplUnknown* owner) override;
  int32_t QL_CALL CreatePatchedFile(ITplPatchedFile** out) override;
  int32_t QL_CALL ResolveMacroCall(ITplMacroCall* call) override;

  // ITplSandbox (confinement.cpp)
  int32_t QL_CALL CheckFileAccess(const char* path, FileAccess access,
                                  std::string* real) override;
  int32_t QL_CALL GetLimits(WorkLimits* out) override;
  int32_t QL_CALL ReportRefusal(const char* text) override;
  int32_t QL_CALL Diagnosing() override;
  int32_t QL_CALL Explain(const char* code, const char* reason) override;
  // own_arguments.cpp
  int32_t QL_CALL ReadOwnArguments(ITplMacroCall* call, ArgumentMode mode,
                                   std::vector<std::string>* values) override;
  int32_t QL_CALL SetOwnResult(ITplMacroCall* call, const char* text, size_t length) override;
  int32_t QL_CALL ResolveForOwn(ITplMacroCall* call, const char* text, size_t length,
                                std::string* result) override;
  int32_t QL_CALL CreateArgumentCall(ITplMacroCall** out, ITplExpression* context) override;
  int32_t QL_CALL CreateTextExpression(ITplExpression** out, ITplUnknown* owner) override;

 private:
  ITplManager* AsManager() { return this; }
  ITplMacroServices* AsServices() { return this; }

  // The "Global-Manager" scope, made on first request; null if it cannot be.
  ITplVariables* GlobalScope();
  // The value of "System.ResultFolderName" with backslashes, resolved the
  // first time it is needed while empty and not refreshed afterwards.
  const std::string& ResultFolder();

  // temp_folder.cpp
  void CreateTempFolder();
  void RemoveTempFolder();

  // What the objects this manager makes are made with: no engine on the
  // straightforward path.
  Maker OwnMaker() {
    return {AsServices(), fast_paths_ ? static_cast<MacroEngine*>(this) : nullptr,
            diagnostics_.sites(), life()};
  }

  // macro_resolution.cpp
  // MacroEngine
  int32_t ResolveStatement(StatementView& statement) override;
  int32_t RegisterScopeName(const char* name, CTplVariableScopeImpl* scope) override;
  void AssignResult(StatementView& statement, const std::string& target, const std::string& value);
  void ReportUnresolved(StatementView& statement);
  // Why a statement failed that no resolver explained; *close when it
  // ends the diagnostics of its top-level statement.
  enum class Failure { kTooDeep, kRefused, kUnknownName, kDeclined };
  Diagnostics::Reason WhyUnresolved(Failure failure, std::string_view name, bool* close);
  // The resolver registered under the text's name, when it has ITplResolverEx.
  ComPtr<ITplResolverEx> ExtendedResolverFor(const char* macro_text);

  // The call of the library's making that a resolver holds just now, for
  // ReadOwnArguments; the one before it again when the resolver returns.
  class Resolving {
   public:
    Resolving(CTplMacroCallImpl*& slot, CTplMacroCallImpl* call) : slot_(slot), saved_(slot) {
      slot_ = call;
    }
    ~Resolving() { slot_ = saved_; }
    Resolving(const Resolving&) = delete;
    Resolving& operator=(const Resolving&) = delete;

   private:
    CTplMacroCallImpl*& slot_;
    CTplMacroCallImpl* saved_;
  };
  // An argument's statement and its parts, kept per nesting level so that
  // evaluating arguments allocates nothing once the buffers have grown.
  struct ArgumentScratch {
    std::string text;
    StatementParts parts;
  };
  ArgumentStatement OwnStatement(ITplMacroCall* call, std::string_view text, std::string* value);
  // True when call is the one a resolver holds just now, of our making.
  bool IsResolving(const ITplMacroCall* call) const;

  // confinement.cpp
  // True when the destination lies inside the result folder by its real
  // path (the link at a destination about to be written is kept: the write
  // replaces it; one about to be read is followed), and always without a
  // result folder: then destinations are the host's own choice. A refusal
  // is reported.
  bool InsideResultFolder(const std::string& destination, platform::LastLink last);

  // copy_flow.cpp
  std::string RelativeDestination(const std::string& name);
  bool PrepareFolderOnce(const std::string& folder);
  void DeferCopy(const std::string& destination, const std::string& source, bool confined);
  // By value: the source asked for the file may register more files, which
  // moves the entries of the template file list.
  std::string CopyOneFile(std::string name);
  // CopyTemplateFile's step for the entry at index, listed under key; true
  // when it ends the search.
  bool CopyListedFile(size_t index, const std::string& key, const std::string& destination,
                      ICvoString* out);
  std::string UpdateOneFile(const std::string& path);
  // "Fail to update" for a destination, relative to the result folder.
  void ReportUpdateFailure(const std::string& path);
  void FlushDeferredFiles();

  struct DeferredCopy;
  // False when a deferred copy made by the copy pass would now be written
  // outside the result folder (reported).
  bool Confined(const DeferredCopy& copy);

  struct DeferredCopy {
    std::string destination;  // as given; the map key is its lower-case form
    std::string source;
    // Made by the copy pass, so kept inside the result folder; false for
    // a destination the host gave CopyTemplateFile.
    bool confined = true;
  };

  ComPtr<ITplHostCallback> host_;
  CTplResolverModuleList module_list_;
  CTplResolverRegistry registry_;
  std::string temp_folder_;
  // Done: copied by the copy pass. Each key is held by the file's source.
  FileList<ComPtr<ITplFileSource>> template_files_{64, 257};
  std::unordered_map<std::string, DeferredCopy> deferred_;  // key: PathKey
  // Relative to the result folder. Done: updated.
  FileList<> update_files_{32, 257};
  SystemValueMap system_values_;
  std::string result_folder_;
  Owned<ITplVariables> global_scope_{nullptr, nullptr};
  Owned<ITplResolver> system_resolver_{nullptr, nullptr};
  std::unordered_set<std::string> prepared_folders_;
  int nesting_depth_ = 0;  // of ResolveMacroCall
  CTplMacroCallImpl* resolving_ = nullptr;
  std::vector<std::unique_ptr<ArgumentScratch>> argument_scratch_;  // by nesting level
  bool fast_paths_;
  WorkBounds bounds_;
  Diagnostics diagnostics_;
  // The real path of the result folder, made when first needed, and the
  // destination folders found inside it (spelt as formed).
  std::optional<std::string> real_result_folder_;
  std::unordered_set<std::string> confined_folders_;
};

}  // namespace quenloft

#endif  // QUENLOFT_MANAGER_MANAGER_IMPL_H
