// A resolver of the test's own that answers every call with "spy", and the
// built-in function names to give it.
#ifndef QUENLOFT_TESTS_FUNCTIONS_SPY_RESOLVER_H
#define QUENLOFT_TESTS_FUNCTIONS_SPY_RESOLVER_H

#include <string>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/listing_resolver.h"

namespace quenloft::testing {

class SpyResolver : public ListingResolver {
 public:
  using ListingResolver::ListingResolver;

  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    call->SetResult("spy");
    return 0;
  }
};

// The built-in function names in the order they are listed.
inline const std::vector<std::string>& BuiltInNames() {
  static const std::vector<std::string> names = {
      "AssignString", "CompareNumber", "CompareString",    "Concat",        "FileName",
      "IsEmpty",      "IsTrue",        "LoadFromFile",     "MacroExist",    "MoveFile",
      "Output",       "Replace",       "ReplaceMacroExpr", "ReplaceMacros", "SaveToFile",
      "Transform",    "HtmlToText",    "TextToHtml",       "NameToColor",   "ColorToName"};
  return names;
}

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_FUNCTIONS_SPY_RESOLVER_H
