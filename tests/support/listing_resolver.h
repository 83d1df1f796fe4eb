// A resolver of the test's own that lists the names it was given (an empty
// name ends the list) and records the names other resolvers took from it.
// What it answers is up to the test's subclass.
#ifndef QUENLOFT_TESTS_SUPPORT_LISTING_RESOLVER_H
#define QUENLOFT_TESTS_SUPPORT_LISTING_RESOLVER_H

#include <string>
#include <utility>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/self_counted.h"

namespace quenloft::testing {

class ListingResolver : public SelfCounted<ITplResolver> {
 public:
  explicit ListingResolver(std::vector<std::string> names, int32_t initial_count = 1)
      : SelfCounted(initial_count), names_(std::move(names)) {}

  // ITplResolver only; 1 for a null out-pointer.
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr) return 1;
    *out = nullptr;
    if (iid != IID_ITplResolver) return TPL_E_NOTIMPL;
    *out = static_cast<ITplResolver*>(this);
    AddRef();
    return 0;
  }
  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override {
    *position = 0;
    return GetNextName(name, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) override {
    const size_t at = static_cast<size_t>(*position);
    name->SetText(at < names_.size() ? names_[at].c_str() : "");
    ++*position;
    return 0;
  }
  int32_t QL_CALL OnNameConflict(const char* name) override {
    conflicts.emplace_back(name != nullptr ? name : "(null)");
    return 0;
  }

  std::vector<std::string> conflicts;

 private:
  std::vector<std::string> names_;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_LISTING_RESOLVER_H
