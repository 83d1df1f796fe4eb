// A resolver of the test's own: it lists the names it is given and records
// the names other resolvers asked for while it held them.
#ifndef QUENLOFT_TESTS_FUNCTIONS_SPY_RESOLVER_H
#define QUENLOFT_TESTS_FUNCTIONS_SPY_RESOLVER_H

#include <string>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/self_counted.h"

namespace quenloft::testing {

class SpyResolver : public SelfCounted<ITplResolver> {
 public:
  explicit SpyResolver(std::vector<std::string> names) : names_(std::move(names)) {}

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
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    call->SetResult("spy");
    return 0;
  }

  std::vector<std::string> conflicts;

 private:
  std::vector<std::string> names_;
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
