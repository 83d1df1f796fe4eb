// A manager with the built-in resolver set attached, set up and torn down
// the way a host does it, plus a host that records every message.
#ifndef QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H
#define QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quenloft/quenloft.h"

namespace quenloft::testing {

// The text of a string object; "" for none.
inline std::string TextOf(ICvoString* s) {
  const char* text = nullptr;
  if (s == nullptr || s->GetLength() == 0 || s->GetText(&text) != 0 || text == nullptr) return {};
  return text;
}

// A string object owned by the test.
class Text {
 public:
  Text() { CreateCvoStringInstance(&s_); }
  ~Text() {
    if (s_ != nullptr) s_->Release();
  }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  ICvoString* get() const { return s_; }
  std::string str() const { return TextOf(s_); }

 private:
  ICvoString* s_ = nullptr;
};

// Starts with the test's own reference and never deletes itself, so the
// test can see every reference the manager took given back.
class RecordingHost : public ITplHostCallback {
 public:
  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }
  int32_t QL_CALL Output(const char* text) override {
    outputs.emplace_back(text != nullptr ? text : "(null)");
    return 0;
  }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t, int32_t) override { return 0; }
  int32_t QL_CALL MapFileName(const char*, ICvoString*) override { return 1; }
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char*) override { return 0; }
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override { return 1; }

  int32_t count() const { return count_; }
  std::vector<std::string> outputs;

 private:
  std::atomic<int32_t> count_{1};
};

// The message for a statement that does not resolve outside any file, and
// inside the file named.
inline std::string Unresolved(const std::string& statement) {
  return "Template Error: can not resolve macro: " + statement + " \r\n";
}
inline std::string UnresolvedIn(const std::string& statement, const std::string& file) {
  return "Template Error: can not resolve macro: " + statement + " in " + file + "\r\n";
}

class TemplateSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateTemplateManagerInstance(&manager_), 0);
    ASSERT_NE(manager_, nullptr);
    ASSERT_EQ(manager_->QueryInterface(IID_ITplFileCopier, reinterpret_cast<void**>(&copier_)), 0);
    ASSERT_EQ(manager_->QueryInterface(IID_ITplMacroServices, reinterpret_cast<void**>(&services_)),
              0);
    ASSERT_EQ(copier_->Initialize(&host_), 0);
    ASSERT_EQ(CreateTemplateResolversInstance(&set_), 0);
    ASSERT_NE(set_, nullptr);
    ASSERT_EQ(set_->SetManager(manager_), 0);
    ASSERT_EQ(set_->Initialize(), 0);
  }

  void TearDown() override {
    if (set_ != nullptr) {
      EXPECT_EQ(set_->Uninitialize(), 0);
      EXPECT_EQ(set_->Release(), 0);
    }
    if (copier_ != nullptr) {
      EXPECT_EQ(copier_->Terminate(), 0);
      copier_->Release();
    }
    if (services_ != nullptr) services_->Release();
    if (manager_ != nullptr) {
      EXPECT_EQ(manager_->Release(), 0);
    }
    EXPECT_EQ(host_.count(), 1);
  }

  // The value of an expression evaluated outside any file; nothing when the
  // evaluation failed (some statement did not resolve).
  std::optional<std::string> Eval(const std::string& expression) {
    Text out;
    out.get()->SetText(kUnchanged);
    EXPECT_EQ(manager_->EvaluateExpression(expression.c_str(), out.get()), 0);
    const std::string value = out.str();
    if (value == kUnchanged) return std::nullopt;
    return value;
  }

  // The output of a template text patched as the file named: "%%%...%%%"
  // markers work in every file.
  std::string Patch(const std::string& text, const std::string& file_name = "page.txt") {
    ITplPatchedFile* file = nullptr;
    EXPECT_EQ(services_->CreatePatchedFile(&file), 0);
    if (file == nullptr) return "(no patched file)";
    file->SetFileName(file_name.c_str());
    file->SetText(text.c_str());
    Text out;
    file->Patch(out.get());
    file->Release();
    return out.str();
  }

  void SetSystemValue(const char* name, const char* value) {
    EXPECT_EQ(manager_->SetSystemValue(name, value), 0);
  }

  // A variable of the manager's "Global-Manager" scope.
  void SetGlobal(const char* name, const char* value) {
    ITplVariables* scope = nullptr;
    ASSERT_EQ(manager_->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope)), 0);
    scope->SetVariable(name, value);
    scope->Release();
  }

  // The messages so far, emptied.
  std::vector<std::string> TakeOutputs() { return std::exchange(host_.outputs, {}); }

  static constexpr const char* kUnchanged = "\x01(unchanged)";

  RecordingHost host_;
  ITplManager* manager_ = nullptr;
  ITplFileCopier* copier_ = nullptr;
  ITplMacroServices* services_ = nullptr;
  ITplResolverSet* set_ = nullptr;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_FUNCTIONS_TEMPLATE_SESSION_H
