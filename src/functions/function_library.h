// CTplFunctionLibrary: the resolver that answers the names of the built-in
// functions. Owner-held: its resolver set creates it, attaches it to a
// manager, detaches it and destroys it; Release never does.
//
// Results of ITplResolver as this resolver gives them:
//   QueryInterface  null out-pointer: 1; ITplResolver only
//   Initialize      0 (the function table is data: nothing to build)
//   Uninitialize    0
//   GetFirstName    missing argument: 0; else as GetNextName from the
//                   position given, and 0
//   GetNextName     missing argument: 1; else the name at the position and
//                   the position advanced, 0; past the last: empty, 1
//   OnNameConflict  1
//   Resolve         the named function's Execute; 1 for no call, an empty
//                   or unknown name. The member is not consulted.
//
// The names and the functions are the rows of function_table.h, listed in
// table order.
#ifndef QUENLOFT_FUNCTIONS_FUNCTION_LIBRARY_H
#define QUENLOFT_FUNCTIONS_FUNCTION_LIBRARY_H

#include <span>
#include <string>
#include <vector>

#include "functions/sandbox.h"
#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplFunctionLibrary final : public OwnerHeldComObject<CTplFunctionLibrary, ITplResolver> {
 public:
  static constexpr int32_t kNullOutResult = 1;
  static std::span<const QIEntry> InterfaceTable();

  CTplFunctionLibrary() = default;
  // Releases the manager references still held (sandbox and services
  // first); withdraws
  // no names (that is Detach's work).
  ~CTplFunctionLibrary() override = default;

  // ITplResolver
  int32_t QL_CALL Initialize() override;
  int32_t QL_CALL Uninitialize() override;
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override;
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) override;
  int32_t QL_CALL OnNameConflict(const char* name) override;
  int32_t QL_CALL Resolve(ITplMacroCall* call) override;

  // Takes a reference to the manager and its ITplMacroServices and
  // ITplSandbox, which every function gets, and registers every function name with the manager
  // (AddResolver). Changes nothing when already attached. Returns 1.
  int Attach(ITplManager* manager);
  // Gives up the services and the sandbox, has the manager withdraw every name registered
  // to this resolver (RemoveResolver) and releases the manager. Returns 1.
  int Detach();

 private:
  ComPtr<ITplManager> manager_;
  ComPtr<ITplMacroServices> services_;
  ComPtr<ITplSandbox> sandbox_;  // null under a manager that has none
  ComPtr<ICvoString> name_;      // the name of the call at hand
  // Argument vectors of finished runs, kept for the next ones: enough for
  // the nesting that evaluation allows.
  static constexpr size_t kSpareValues = 16;
  std::vector<std::vector<std::string>> spare_values_;
};

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_FUNCTION_LIBRARY_H
