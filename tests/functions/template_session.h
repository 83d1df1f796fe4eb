// A manager with the built-in resolver set attached, as a host sets one up,
// and what the function tests ask of it.
#ifndef QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H
#define QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "support/host_objects.h"
#include "support/manager_session.h"
#include "support/texts.h"

namespace quenloft::testing {

// An expression, its value (nothing: it does not resolve) and the messages
// the host receives meanwhile.
struct EvalCase {
  std::string expression;
  std::optional<std::string> value;
  std::vector<std::string> messages;
};
// A statement that does not resolve, reported as such.
inline EvalCase Fails(const std::string& expression) {
  return {expression, std::nullopt, {Unresolved(expression)}};
}

class TemplateSession : public ::testing::Test {
 protected:
  void SetUp() override { session_.Open(ManagerSession::BuiltIns::kAttached); }

  // The value of the expression outside any file, as EvaluateExpression
  // gives it to a host; nothing when it did not resolve (out unchanged).
  std::optional<std::string> Eval(const std::string& expression) {
    Text out;
    out.get()->SetText(kUnchanged);
    EXPECT_EQ(session_.manager->EvaluateExpression(expression.c_str(), out), 0);
    if (out.text() == kUnchanged) return std::nullopt;
    return out.text();
  }
  void ExpectEvaluations(std::span<const EvalCase> cases) {
    for (const EvalCase& c : cases) {
      EXPECT_EQ(Eval(c.expression), c.value) << c.expression;
      EXPECT_EQ(TakeOutputs(), c.messages) << c.expression;
    }
  }

  // The text patched as the file named ("%%%...%%%" works in every file).
  std::string Patch(const std::string& text, const std::string& file_name = "page.txt") {
    ITplPatchedFile* file = nullptr;
    if (session_.services->CreatePatchedFile(&file) != 0 || file == nullptr) return "(no file)";
    file->SetFileName(file_name.c_str());
    file->SetText(text.c_str());
    Text out;
    file->Patch(out);
    file->Release();
    return out.text();
  }

  void Set(const char* system_value, const std::string& value) {
    EXPECT_EQ(session_.manager->SetSystemValue(system_value, value.c_str()), 0);
  }
  void SetGlobal(const char* name, const char* value) { session_.SetGlobal(name, value); }
  std::vector<std::string> TakeOutputs() { return std::exchange(session_.host.outputs, {}); }

  static constexpr const char* kUnchanged = "\x01(unchanged)";
  ManagerSession session_;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H
