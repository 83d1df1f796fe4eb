// A resolver of the test's own that lists the names it was given (an empty
// name ends the list) and records the names other resolvers took from it.
// It answers IID_ITplResolver; what it resolves is up to the test's
// subclass. Owner-held: the test's object lives on the stack.
#ifndef QUENLOFT_TESTS_SUPPORT_LISTING_RESOLVER_H
#define QUENLOFT_TESTS_SUPPORT_LISTING_RESOLVER_H

#include <string>
#include <utility>
#include <vector>

#include "quenloft/com_object.h"
#include "quenloft/quenloft.h"

namespace quenloft::testing {

class ListingResolver : public OwnerHeldComObject<ListingResolver, ITplResolver> {
 public:
  static constexpr int32_t kNullOutResult = 1;  // as the library's resolvers answer

  // The count starts with the test's own reference unless told otherwise.
  explicit ListingResolver(std::vector<std::string> names, int32_t initial_count = 1)
      : OwnerHeldComObject<ListingResolver, ITplResolver>(initial_count),
        names_(std::move(names)) {}

  int32_t count() const { return RefCount(); }

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
