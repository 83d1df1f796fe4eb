// CTplResolverSetImpl: this library's own resolver set. Self-owned; it
// contributes one resolver, the function library, to the manager it is
// given. Null out-pointer in QueryInterface: TPL_E_INVALIDARG.
//
// Expected order of calls: SetHostParam, SetHostPath, SetManager,
// Initialize; later Uninitialize, then the last Release. The set keeps no
// reference to the manager; its function library does while attached.
#ifndef QUENLOFT_RESOLVERS_RESOLVER_SET_IMPL_H
#define QUENLOFT_RESOLVERS_RESOLVER_SET_IMPL_H

#include <memory>
#include <string>

#include "functions/function_library.h"
#include "quenloft/com_object.h"

namespace quenloft {

class CTplResolverSetImpl final : public ComObject<CTplResolverSetImpl, ITplResolverSet> {
 public:
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;

  CTplResolverSetImpl();
  // A set still initialised detaches its function library first, so the
  // manager's registry keeps no pointer to a destroyed resolver.
  ~CTplResolverSetImpl() override;

  // Creates the function library and attaches it to the manager; 0 (also
  // with no manager or when already initialised), 1 on a failure.
  int32_t QL_CALL Initialize() override;
  // Detaches and destroys the function library; 0 (also when there is
  // none), 1 on a failure.
  int32_t QL_CALL Uninitialize() override;
  int32_t QL_CALL SetManager(ITplManager* manager) override;  // no reference; 0
  int32_t QL_CALL SetHostPath(const char* text) override;     // null: empty; 0
  int32_t QL_CALL SetHostParam(const char* text) override;    // null: empty; 0
  int32_t QL_CALL Reserved(int32_t value) override;           // 0

 private:
  std::string host_param_;
  std::string host_path_;
  ITplManager* manager_ = nullptr;  // not counted
  std::unique_ptr<CTplFunctionLibrary> library_;
};

}  // namespace quenloft

#endif  // QUENLOFT_RESOLVERS_RESOLVER_SET_IMPL_H
