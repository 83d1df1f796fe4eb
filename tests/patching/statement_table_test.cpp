// The statement table run as a host runs statements: each file of
// tests/data/statements on a manager with the built-in functions, a
// recording host, resolvers and string objects of the host's own making,
// in an empty current folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "patching/statement_table.h"
#include "support/files.h"
#include "support/manager_session.h"
#include "support/texts.h"

#if !defined(QUENLOFT_TEST_DATA) || !defined(QUENLOFT_LIB_DIR)
#error "QUENLOFT_TEST_DATA must name tests/data, QUENLOFT_LIB_DIR the library's folder"
#endif

namespace quenloft_test {
namespace {

using namespace quenloft::testing;

namespace fs = std::filesystem;

// What the host's string holds before each case.
constexpr char kBefore[] = "(before)";

std::string PartsOf(ITplMacroCall* call) {
  HostString target, name, member;
  int32_t count = 0;
  call->GetAssignTarget(&target);
  call->GetName(&name);
  call->GetMember(&member);
  call->GetArgCount(&count);
  std::string parts = "t=" + target.text() + " n=" + name.text() + " m=" + member.text() + " a=[";
  for (int32_t i = 0; i < count; ++i) {
    HostString argument;
    call->GetArg(i, &argument);
    parts += "<" + argument.text() + ">";
  }
  return parts + "]";
}

// Links need a privilege on Windows; the rows that make them run only here.
bool CanLink() {
  std::error_code error;
  fs::create_symlink("target", "probe-link", error);
  return !error && fs::remove("probe-link");
}

class StatementTable : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    previous_folder_ = fs::current_path();
    fs::current_path(folder_.path());
    ASSERT_EQ(m_.manager->AddFileSource(&temp_probe_), 0);
    const std::string here = folder_.path();
    places_ = {{"@temp/", temp_probe_.folders.at(0)},
               {"@lib/", QUENLOFT_LIB_DIR "/"},
               {"@lib\\", WithBackslashes(QUENLOFT_LIB_DIR "/")},
               {"@/", here + "/"},
               {"@UP/", UpperCase(here + "/")},
               {"@\\", WithBackslashes(here + "/")}};
  }
  void TearDown() override { fs::current_path(previous_folder_); }

  // Libraries below the manager print nothing of their own either.
  void Run(const char* file) {
    const std::vector<TableRow> rows = ReadTable(QUENLOFT_TEST_DATA "/statements", file);
    ASSERT_FALSE(rows.empty()) << "no rows in " << file;
    std::fflush(stderr);
    ::testing::internal::CaptureStderr();
    for (const TableRow& row : rows) RunRow(row);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << file;
    m_.Close();
    for (const auto& [name, resolver] : resolvers_) EXPECT_EQ(resolver->count(), 0) << name;
    for (const auto& [name, source] : sources_) EXPECT_EQ(source->count(), 1) << name;
  }

 private:
  int32_t Call(const std::string& key, const std::string& text, HostString* s);
  std::string Expand(std::string text) const {
    for (const auto& [mark, place] : places_) {
      for (size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += place.size())
        text.replace(at, mark.size(), place);
    }
    return text;
  }
  void RunRow(const TableRow& row);
  // The update pass: its Progress calls as "INDEX/TOTAL", then ":", then
  // the files it told the host of.
  int32_t UpdatePass(HostString* s) {
    const int32_t code = m_.copier->UpdateFilesByHost();
    std::string pass;
    for (const auto& [index, total] : m_.host.progress)
      pass += std::to_string(index) + "/" + std::to_string(total) + " ";
    pass += ":";
    for (const std::string& file : m_.host.notified) pass += " " + file;
    s->SetText(pass.c_str());
    return code;
  }
  HostResolver* Resolver(const std::string& name) { return Find(resolvers_, name); }
  HostSource* Source(const std::string& name) { return Find(sources_, name); }
  template <class T>
  static T* Find(const std::map<std::string, std::unique_ptr<T>>& objects, const std::string& name) {
    const auto found = objects.find(name);
    if (found != objects.end()) return found->second.get();
    ADD_FAILURE() << "no " << name;
    return nullptr;
  }

  ScratchFolder folder_;
  fs::path previous_folder_;
  std::vector<std::pair<std::string, std::string>> places_;  // "@..." and what it stands for
  // The host's objects outlive the manager.
  HostSource temp_probe_;
  std::map<std::string, std::unique_ptr<HostResolver>> resolvers_;
  std::map<std::string, std::unique_ptr<HostSource>> sources_;
  LanguageSession m_;
};

int32_t StatementTable::Call(const std::string& key, const std::string& text, HostString* s) {
  if (key == "expr") return m_.manager->EvaluateExpression(text.c_str(), s);
  if (key == "stmt") return m_.manager->ResolveMacroText(text.c_str(), s);
  if (key == "has") return m_.manager->HasResolverFor(text.c_str());
  if (key == "map") return m_.manager->MapFileName(s, text.c_str());
  if (key == "query") return m_.copier->QueryMacro(text.c_str(), s);
  if (key == "querymap") return m_.copier->QueryAndMapMacro(text.c_str(), s);
  if (key == "call") {
    ITplMacroCall* call = m_.NewCall(text.c_str());
    s->SetText(PartsOf(call).c_str());
    EXPECT_EQ(call->Release(), 0);
    return 0;
  }
  const auto [first, rest] = Split(text, key == "global" || key == "system" ? '=' : ' ');
  if (key == "patch") {
    ITplPatchedFile* file = m_.NewFile(first.c_str());
    file->SetText(rest.c_str());
    const int32_t code = file->Patch(s);
    EXPECT_EQ(file->Release(), 0);
    return code;
  }
  if (key == "global") {
    m_.SetGlobal(first.c_str(), rest.c_str());
    return 0;
  }
  if (key == "system") return m_.manager->SetSystemValue(first.c_str(), rest.c_str());
  if (key == "write") return WriteFile(first, rest) ? 0 : 1;
  std::error_code error;
  if (key == "grow") fs::resize_file(first, std::stoull(rest), error);
  if (key == "link") fs::create_symlink(first, rest, error);
  if (key == "grow" || key == "link") return error ? 1 : 0;
  if (key == "addfile") return m_.services->AddTemplateFile(first.c_str(), Source(rest));
  if (key == "removefile") return m_.services->RemoveTemplateFile(first.c_str(), Source(rest));
  if (key == "addsource") return m_.manager->AddFileSource(Source(text));
  if (key == "removesource") return m_.manager->RemoveFileSource(Source(text));
  if (key == "update") return m_.manager->AddUpdateFile(text.c_str());
  if (key == "updatepass") return UpdatePass(s);
  if (key == "initialize") return m_.copier->Initialize(&m_.host);
  if (key == "terminate") return m_.copier->Terminate();
  if (key == "add") return m_.manager->AddResolver(Resolver(text));
  if (key == "remove") return m_.manager->RemoveResolver(Resolver(text));
  if (key == "register") return m_.services->RegisterName(first.c_str(), Resolver(rest));
  if (key == "unregister") return m_.services->UnregisterName(first.c_str(), Resolver(rest));
  const auto [mode, names] = Split(rest, ' ');
  std::vector<std::string> listed;
  std::istringstream in(key == "source" ? rest : names);
  for (std::string name; in >> name;) listed.push_back(name == "\"\"" ? "" : name);
  if (key == "source") {
    sources_[first] = std::make_unique<HostSource>(listed);
    return 0;
  }
  if (key == "resolver") {
    auto& resolver = resolvers_[first] = std::make_unique<HostResolver>(listed, 0);
    resolver->on_resolve = [mode = mode, name = first](ITplMacroCall* call) -> int32_t {
      if (mode == "throws") throw std::runtime_error("thrown by the host");
      return mode == "names" ? call->SetResult(name.c_str()) : mode == "silent" ? 0 : 1;
    };
    resolver->extended = mode == "answers" || mode == "blank";
    resolver->query_answer = mode == "answers" ? first : "";
    return 0;
  }
  ADD_FAILURE() << "unknown keyword " << key;
  return 0;
}

void StatementTable::RunRow(const TableRow& row) {
  SCOPED_TRACE(row.line.where + ": " + row.line.key + " " + row.line.text);
  HostString s(kBefore);
  const int32_t code = Call(row.line.key, Expand(row.line.text), &s);
  int32_t expected_code = 0;
  std::optional<std::string> expected;
  std::vector<std::string> outputs;
  for (const TableLine& outcome : row.outcomes) {
    const std::string text = Expand(outcome.text);
    const auto [name, bytes] = Split(text, ' ');
    if (outcome.key == "=") expected = text;
    if (outcome.key == "unchanged") expected = kBefore;
    if (outcome.key == "code") expected_code = std::stoi(text);
    if (outcome.key == "out") outputs.push_back(text);
    if (outcome.key == "file") {
      EXPECT_EQ(ReadFile(name), bytes) << outcome.where;
    }
    if (outcome.key == "nofile") {
      EXPECT_FALSE(fs::exists(fs::symlink_status(text))) << outcome.where;
    }
    if (outcome.key == "refs") {  // a source counts the test's own reference too
      const int32_t refs = resolvers_.count(name) != 0 ? Resolver(name)->count()
                                                       : Source(name)->count() - 1;
      EXPECT_EQ(std::to_string(refs), bytes) << outcome.where;
    }
    if (outcome.key == "calls") {
      EXPECT_EQ(Source(name)->calls, bytes) << outcome.where;
    }
    if (outcome.key == "uninit") {
      EXPECT_EQ(std::to_string(Source(name)->uninitialized), bytes) << outcome.where;
    }
    if (outcome.key == "conflicts") {
      std::string heard;
      for (const std::string& conflict : Resolver(name)->conflicts) heard += " " + conflict;
      EXPECT_EQ(heard, " " + bytes) << outcome.where;
    }
  }
  EXPECT_EQ(code, expected_code);
  EXPECT_EQ(s.text(), expected.value_or(s.text()));
  EXPECT_EQ(m_.host.outputs, outputs);
  m_.host.Forget();
}

TEST_F(StatementTable, Statements) { Run("statements.txt"); }
TEST_F(StatementTable, Functions) { Run("functions.txt"); }
TEST_F(StatementTable, Files) { Run("files.txt"); }
TEST_F(StatementTable, Registry) { Run("registry.txt"); }
TEST_F(StatementTable, Sources) { Run("sources.txt"); }
TEST_F(StatementTable, Updates) { Run("updates.txt"); }
TEST_F(StatementTable, Confinement) { Run("confinement.txt"); }
TEST_F(StatementTable, Links) {
  if (!CanLink()) GTEST_SKIP() << "no symbolic links here";
  Run("links.txt");
}
TEST_F(StatementTable, Limits) { Run("limits.txt"); }
TEST_F(StatementTable, Transform) {
#ifdef _WIN32
  GTEST_SKIP() << "libxml2 and libxslt only; the XML DOM component: tests/windows";
#endif
  Run("transform.txt");
}

}  // namespace
}  // namespace quenloft_test
