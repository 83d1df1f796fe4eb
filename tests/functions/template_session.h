// A manager with the built-in resolver set attached, set up and torn down
// the way a host does it, and what the function tests ask of it.
#ifndef QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H
#define QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/manager_session.h"
#include "support/messages.h"
#include "support/text.h"

namespace quenloft::testing {

// An expression, its value outside any file and the messages it leaves.
struct EvalCase {
  std::string expression;
  std::optional<std::string> value;  // nothing: the statement does not resolve
  std::vector<std::string> messages;
};
// A statement that does not resolve, reported as such.
inline EvalCase Fails(const std::string& expression) {
  return {expression, std::nullopt, {Unresolved(expression)}};
}

class TemplateSession : public ::testing::Test {
 protected:
  void SetUp() override { session_.Open(ManagerSession::BuiltIns::kAttached); }
  void TearDown() override { session_.Close(); }

  // Nothing when the evaluation failed (some statement did not resolve).
  std::optional<std::string> Eval(const std::string& expression) {
    Text out;
    out.get()->SetText(kUnchanged);
    EXPECT_EQ(session_.manager->EvaluateExpression(expression.c_str(), out.get()), 0);
    const std::string value = out.text();
    if (value == kUnchanged) return std::nullopt;
    return value;
  }

  template <size_t N>
  void ExpectEvaluations(const EvalCase (&cases)[N]) {
    for (const EvalCase& c : cases) {
      EXPECT_EQ(Eval(c.expression), c.value) << c.expression;
      EXPECT_EQ(TakeOutputs(), c.messages) << c.expression;
    }
  }

  // The text patched as the file named ("%%%...%%%" works in every file).
  std::string Patch(const std::string& text, const std::string& file_name = "page.txt") {
    ITplPatchedFile* file = nullptr;
    if (session_.services->CreatePatchedFile(&file) != 0) return "(no patched file)";
    file->SetFileName(file_name.c_str());
    file->SetText(text.c_str());
    Text out;
    file->Patch(out.get());
    file->Release();
    return out.text();
  }

  void SetSystemValue(const char* name, const char* value) {
    EXPECT_EQ(session_.manager->SetSystemValue(name, value), 0);
  }
  void SetGlobal(const char* name, const char* value) { session_.SetGlobal(name, value); }

  std::vector<std::string> TakeOutputs() { return std::exchange(session_.host.outputs, {}); }

  static constexpr const char* kUnchanged = "\x01(unchanged)";

  ManagerSession session_;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H
