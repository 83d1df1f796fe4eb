// The fast paths against the straightforward path (patching/macro_engine.h):
// one script of host actions run on a manager of each kind, every call the
// library makes on the host's objects written to a journal, and the two
// journals compared. Shared by fast_path_differential_test.cpp and the
// libFuzzer target in fuzz/fast_path; no test framework in here.
//
// A script is drawn from a source of choices (a seeded generator, or the
// fuzzer's bytes): a template of plain text and markers whose statements
// read variables of all three scopes, call built-in functions and the
// host's resolver, name nothing known, assign, quote and escape; the file
// is patched once or twice with the variables changed between; a few
// statements are resolved and evaluated by themselves.
#ifndef QUENLOFT_TESTS_PATCHING_FAST_PATH_DIFFERENTIAL_H
#define QUENLOFT_TESTS_PATCHING_FAST_PATH_DIFFERENTIAL_H

#include <CorvaskObjs/CvoString.h>
#include <TAVLOR/ByteString.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "manager/manager_impl.h"
#include "quenloft/com_object.h"
#include "quenloft/conventions.h"
#include "quenloft/quenloft.h"
#include "quenloft/string_object.h"
#include "resolvers/resolver_set.h"
#include "support/string_slots.h"

namespace quenloft::differential {

// Everything a host sees, one line per call the library makes on the
// host's objects (and what the host read back), in order.
class Journal {
 public:
  void Add(std::string line) { text_ += line + "\n"; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

inline std::string Quoted(const char* text) { return text == nullptr ? "(null)" : "<" + std::string(text) + ">"; }

// A host's string object: the slots the library may call, journaled.
class JournalString final : public testing::HostOnlyStringSlots<JournalString> {
 public:
  JournalString(Journal& journal, std::string tag) : journal_(journal), tag_(std::move(tag)) {}
  ~JournalString() { journal_.Add(tag_ + " references left " + std::to_string(count_ - 1)); }

  const std::string& text() const { return text_; }

  int32_t CVO_CALL QueryInterface(const CvoIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    journal_.Add(tag_ + " QueryInterface");
    return 1;
  }
  int32_t CVO_CALL AddRef() override { return ++count_; }
  int32_t CVO_CALL Release() override { return --count_; }
  int32_t CVO_CALL SetText(const char* text) override {
    journal_.Add(tag_ + " SetText " + Quoted(text));
    text_ = text != nullptr ? text : "";
    return 0;
  }
  int32_t CVO_CALL GetLength() override { return static_cast<int32_t>(text_.size()); }
  int32_t CVO_CALL Empty() override {
    journal_.Add(tag_ + " Empty");
    text_.clear();
    return 0;
  }
  int32_t CVO_CALL GetText(const char** text) override {
    if (text != nullptr) *text = text_.c_str();
    return text == nullptr ? 1 : 0;
  }
  int32_t HostOnlySlot(int slot) {
    journal_.Add(tag_ + " slot " + std::to_string(slot));
    return 1;
  }

 private:

  Journal& journal_;
  std::string tag_;
  std::string text_;
  int32_t count_ = 1;
};

// The host's control, when it has one: asks to stop from its stop_after-th
// question on (0: never).
class JournalControl final : public ITplHostControl {
 public:
  JournalControl(Journal& journal, uint32_t stop_after) : journal_(journal), stop_after_(stop_after) {}
  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }
  int32_t QL_CALL ShouldStop() override {
    journal_.Add("ShouldStop");
    return stop_after_ != 0 && ++asked_ >= stop_after_ ? 1 : 0;
  }

 private:
  Journal& journal_;
  uint32_t stop_after_;
  uint32_t asked_ = 0;
  int32_t count_ = 1;
};

// The host's diagnostics, every one journaled whole.
class JournalDiagnostics final : public ITplDiagnostics {
 public:
  explicit JournalDiagnostics(Journal& journal) : journal_(journal) {}
  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }
  int32_t QL_CALL Report(const TplDiagnostic* d) override {
    journal_.Add("Diagnostic " + std::to_string(d->severity) + " " + d->code + " " + Quoted(d->file) +
                 ":" + std::to_string(d->line) + ":" + std::to_string(d->column) + " " +
                 Quoted(d->statement) + " " + Quoted(d->reason));
    return 0;
  }

 private:
  Journal& journal_;
  int32_t count_ = 1;
};

// The host: every callback journaled. It answers ITplDiagnostics, and
// ITplHostControl only when it is given a control.
class JournalHost final : public ITplHostCallback {
 public:
  JournalHost(Journal& journal, JournalControl* control)
      : journal_(journal), control_(control), diagnostics_(journal) {}
  int32_t count() const { return count_; }

  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out != nullptr) *out = nullptr;
    journal_.Add("host QueryInterface");
    if (out == nullptr) return TPL_E_NOTIMPL;
    if (iid == IID_ITplDiagnostics) {
      diagnostics_.AddRef();
      *out = static_cast<ITplDiagnostics*>(&diagnostics_);
      return 0;
    }
    if (control_ == nullptr || !(iid == IID_ITplHostControl)) return TPL_E_NOTIMPL;
    control_->AddRef();
    *out = static_cast<ITplHostControl*>(control_);
    return 0;
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }
  int32_t QL_CALL Output(const char* text) override {
    journal_.Add("Output " + Quoted(text));
    return 0;
  }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t index, int32_t total) override {
    journal_.Add("Progress " + std::to_string(index) + "/" + std::to_string(total));
    return 0;
  }
  int32_t QL_CALL MapFileName(const char* path, ICvoString*) override {
    journal_.Add("MapFileName " + Quoted(path));
    return 1;
  }
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char* path) override {
    journal_.Add("NotifyFile " + Quoted(path));
    return 0;
  }
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override {
    journal_.Add("ShouldContinue");
    return 1;
  }

 private:
  Journal& journal_;
  JournalControl* control_;
  JournalDiagnostics diagnostics_;
  int32_t count_ = 1;
};

// The host's resolver. It holds the names kHostNames and whatever names
// the script registers for it later; what it does depends on the name
// alone, and it journals the call as it sees it first.
class JournalResolver final : public ITplResolver {
 public:
  // hostv: a result made of the first argument; hostn: resolved, no result;
  // hostr: refused; hostc: looks at its context and container; hosts: assigns in
  // the scopes of both; hostx: resolves and evaluates text meanwhile; hostk:
  // keeps the call past the statement (LetGo reads its context). Any other
  // name (one the script hands over) reads the result first and resolves
  // without one, so the call's earlier result shows.
  static constexpr const char* kHostNames[] = {"hostv", "hostn", "hostr", "hostc", "hosts", "hostx",
                                               "hostk"};

  JournalResolver(Journal& journal, ITplManager*& manager) : journal_(journal), manager_(manager) {}
  int32_t count() const { return count_; }

  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    journal_.Add("resolver QueryInterface");
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }
  int32_t QL_CALL Initialize() override {
    journal_.Add("resolver Initialize");
    return 0;
  }
  int32_t QL_CALL Uninitialize() override {
    journal_.Add("resolver Uninitialize");
    return 0;
  }
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override {
    *position = 0;
    return GetNextName(name, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) override {
    const size_t at = static_cast<size_t>(*position);
    constexpr size_t kCount = sizeof kHostNames / sizeof kHostNames[0];
    name->SetText(at < kCount ? kHostNames[at] : "");
    ++*position;
    return 0;
  }
  int32_t QL_CALL OnNameConflict(const char* name) override {
    journal_.Add("resolver OnNameConflict " + Quoted(name));
    return 0;
  }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override;
  // Journals the context and container of the call hostk kept, and lets
  // go of it; while the file of its marker lives.
  void LetGo() {
    if (!kept_) return;
    ComPtr<ITplExpression> context;
    std::string seen = "kept context " + std::to_string(kept_->GetContext(context.put()));
    if (context) seen += " " + Get([&](ICvoString* s) { return context->GetText(s); });
    ComPtr<ITplUnknown> container;
    seen += " container " + std::to_string(kept_->GetContainer(container.put()));
    journal_.Add(seen);
    kept_.reset();
  }
  // Lets go of the kept call unread (its expression, or the call itself
  // when it is the host's, may be gone soon).
  void Forget() { kept_.reset(); }

 private:
  // Reads one string through an operation of the call's.
  template <class Read>
  std::string Get(Read&& read) {
    Text s;
    const int32_t result = read(s.get());
    return std::to_string(result) + Quoted(s.text().c_str());
  }

  Journal& journal_;
  ITplManager*& manager_;
  int32_t count_ = 1;
  ComPtr<ITplMacroCall> kept_;
};

inline int32_t JournalResolver::Resolve(ITplMacroCall* call) {
  const std::string name = Get([&](ICvoString* s) { return call->GetName(s); });
  int32_t count = -1;
  call->GetArgCount(&count);
  std::string line = "Resolve name=" + name +
                     " member=" + Get([&](ICvoString* s) { return call->GetMember(s); }) +
                     " text=" + Get([&](ICvoString* s) { return call->GetText(s); }) +
                     " target=" + Get([&](ICvoString* s) { return call->GetAssignTarget(s); }) +
                     " args=" + std::to_string(count);
  for (int32_t i = 0; i < count; ++i) {
    line += " " + Get([&](ICvoString* s) { return call->GetArg(i, s); });
  }
  const std::string bare = name.substr(name.find('<') + 1, name.size() - name.find('<') - 2);
  // hostk asks for the container only after the statement (LetGo).
  ComPtr<ITplUnknown> container;
  if (bare != "hostk") {
    line += " container=" + std::to_string(call->GetContainer(container.put()));
  }
  if (const auto file = container.query<ITplPatchedFile>(IID_ITplPatchedFile)) {
    line += Get([&](ICvoString* s) { return file->GetFileName(s); });
  }
  journal_.Add(line);
  if (bare == "hostv") {
    Text first;
    call->GetArg(0, first.get());
    call->SetResult(("{" + first.text() + "}").c_str());
    return 0;
  }
  if (bare == "hostn") return 0;
  if (bare == "hostk") {
    Forget();
    kept_ = ComPtr<ITplMacroCall>::retain(call);
    call->SetResult("kept");
    return 0;
  }
  if (bare == "hostr") return 1;
  if (bare == "hostc") {
    ComPtr<ITplExpression> context;
    std::string seen = "context " + std::to_string(call->GetContext(context.put()));
    if (context) {
      seen += " " + Get([&](ICvoString* s) { return context->GetText(s); });
      uint32_t position = 0;
      ComPtr<ITplMacroCall> each;
      context->GetFirstCall(each.put(), &position);
      while (each) {
        seen += " [" + Get([&](ICvoString* s) { return each->GetText(s); }) + " " +
                Get([&](ICvoString* s) { return each->GetResult(s); }) + "]";
        each.reset();
        context->GetNextCall(each.put(), &position);
      }
    }
    journal_.Add(seen);
    call->SetResult("ctx");
    return 0;
  }
  if (bare == "hosts") {
    ComPtr<ITplExpression> context;
    call->GetContext(context.put());
    if (auto scope = context.query<ITplVariables>(IID_ITplVariables)) scope->SetVariable("hostsv", "e");
    if (auto scope = container.query<ITplVariables>(IID_ITplVariables)) {
      scope->SetVariable("hostsf$", "f");
    }
    call->SetResult("hosts");
    return 0;
  }
  if (bare == "hostx" && manager_ != nullptr) {
    JournalString resolved(journal_, "hx resolved");
    JournalString evaluated(journal_, "hx evaluated");
    manager_->ResolveMacroText("gone$$", &resolved);
    manager_->EvaluateExpression("Concat(gtwo$$, '!'); file1$", &evaluated);
    call->SetResult((resolved.text() + evaluated.text()).c_str());
    return 0;
  }
  journal_.Add("before " + Get([&](ICvoString* s) { return call->GetResult(s); }) + " " +
               Get([&](ICvoString* s) { return call->GetValue(s); }));
  return 0;
}

// A call of the host's own making: it calls the statement's text before
// any "(" or "." its name, has no arguments, no context and no container,
// and journals every operation the library calls on it.
class JournalCall final : public ITplMacroCall {
 public:
  JournalCall(Journal& journal, std::string text) : journal_(journal), text_(std::move(text)) {
    const size_t end = text_.find_first_of("(.=");
    name_ = text_.substr(0, end);
    if (end != std::string::npos && text_[end] == '=') target_.swap(name_);
  }
  int32_t count() const { return count_; }

  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    return Log("QueryInterface", TPL_E_NOTIMPL);
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }
  int32_t QL_CALL SetText(const char*) override { return Log("SetText", 1); }
  int32_t QL_CALL GetText(ICvoString* out) override { return Give("GetText", out, text_); }
  int32_t QL_CALL GetName(ICvoString* out) override { return Give("GetName", out, name_); }
  int32_t QL_CALL GetMember(ICvoString* out) override { return Give("GetMember", out, ""); }
  int32_t QL_CALL GetArgCount(int32_t* count) override {
    if (count != nullptr) *count = 0;
    return Log("GetArgCount", 0);
  }
  int32_t QL_CALL GetArg(int32_t, ICvoString*) override { return Log("GetArg", 1); }
  int32_t QL_CALL GetAssignTarget(ICvoString* out) override {
    return Give("GetAssignTarget", out, target_);
  }
  int32_t QL_CALL GetContext(ITplExpression** out) override {
    if (out != nullptr) *out = nullptr;
    return Log("GetContext", 1);
  }
  int32_t QL_CALL GetContainer(ITplUnknown** out) override {
    if (out != nullptr) *out = nullptr;
    return Log("GetContainer", 1);
  }
  int32_t QL_CALL SetResult(const char* text) override {
    result_ = text != nullptr ? text : "";
    return Log("SetResult " + Quoted(text), 0);
  }
  int32_t QL_CALL GetResult(ICvoString* out) override { return Give("GetResult", out, result_); }
  int32_t QL_CALL SetResultObject(ITplUnknown*) override { return Log("SetResultObject", 0); }
  int32_t QL_CALL GetResultObject(ITplUnknown** out) override {
    if (out != nullptr) *out = nullptr;
    return Log("GetResultObject", 1);
  }
  int32_t QL_CALL GetValue(ICvoString* out) override { return Give("GetValue", out, result_); }
  int32_t QL_CALL Clone(ITplMacroCall** out) override {
    if (out != nullptr) *out = nullptr;
    return Log("Clone", 1);
  }

 private:
  int32_t Log(const std::string& what, int32_t result) {
    journal_.Add("host call " + what);
    return result;
  }
  int32_t Give(const char* what, ICvoString* out, const std::string& text) {
    if (out != nullptr) out->SetText(text.c_str());
    return Log(what, out == nullptr ? 1 : 0);
  }

  Journal& journal_;
  std::string text_;
  std::string name_;
  std::string target_;
  std::string result_;
  int32_t count_ = 1;
};

// ---- scripts ---------------------------------------------------------------

// Where choices come from: a generator, or a fuzzer's bytes (0 once they
// run out).
using Choose = std::function<uint32_t(uint32_t count)>;

struct Script {
  std::string file_name;
  std::string text;
  // Between the two compositions (0: only one): 1 removes gone$$, 2 gives
  // gone$$ a new value, 3 hands gtwo$$ over to the host's resolver, 4 composes
  // again with nothing changed.
  uint32_t change = 0;
  std::vector<std::string> statements;  // resolved and evaluated alone
  // The bounds of the work: evaluations per statement and bytes per value
  // (0: the defaults), and the host's stop request from its stop_after-th
  // question on (0: the host has no control).
  uint32_t evaluation_limit = 0;
  uint32_t value_size_limit = 0;
  uint32_t stop_after = 0;
};

inline std::string Pick(const Choose& choose, std::initializer_list<const char*> options) {
  return options.begin()[choose(static_cast<uint32_t>(options.size()))];
}

// One statement of any kind the language has.
inline std::string MakeStatement(const Choose& choose, int depth = 0) {
  const auto argument = [&] { return depth < 2 ? MakeStatement(choose, depth + 1) : "'z'"; };
  switch (choose(depth < 2 ? 12 : 6)) {
    case 0:  // a variable of each scope, or no one's
      return Pick(choose, {"gone$$", "gtwo$$", "gquote$$", "file1$", "expr1", "nobody", "System.Nothing",
                           "hostsv", "hostsf$", "Concat"});
    case 1:  // literals, with and without escapes
      return Pick(choose, {"'lit'", "\"dq\"", "'a\\'b'", "'50\\%'", "''", "'x;y'", "'<!--%-->'"});
    case 2:
      return Pick(choose, {"hostv", "hostn", "hostr", "hostc", "hosts", "hostx", "hostk", "hostv(gone$$)",
                           "hostv('a', expr1)"});
    case 3:  // assignments to each scope
      return Pick(choose, {"expr1", "file1$", "gtwo$$", "file1$+", "gone$$ +", "a$$$"}) + " = " + argument();
    case 4:
      return Pick(choose, {" gone$$ ", "\tfile1$\n", "g1\\$$", "\\'gone$$", "gone$$.member", "gone$$()",
                           "x.y = 'a'", "=", "expr1 expr1"});
    case 5:
      return Pick(choose, {"IsEmpty(expr1)", "IsTrue(yes)", "Concat()", "Replace(gone$$, 'n', 'N')",
                           "NameToColor(red)", "TextToHtml('<b>')"});
    case 6:
      return "Concat(" + argument() + ", " + argument() + ")";
    case 7:
      return "CompareString('==', " + argument() + ", 'one')";
    case 8:
      return "AssignString(" + argument() + ", " + argument() + ", " + argument() + ")";
    case 9:
      return "ReplaceMacroExpr('" + Pick(choose, {"gone$$", "file1$; expr1", "hostv(1)", "nobody"}) + "')";
    case 10:
      return "MacroExist(" + Pick(choose, {"gone$$", "hostv", "nobody", "Concat"}) + ")";
    default:
      return "Output(" + argument() + ")";
  }
}

inline std::string MakeInner(const Choose& choose) {
  switch (choose(8)) {
    case 0:
      return Pick(choose, {"", "  ", "abc", "a$$", " ; ; ", "\\%"});  // short, or no statement
    case 1:
      return MakeStatement(choose) + "; " + MakeStatement(choose);
    case 2:
      return MakeStatement(choose) + ";" + MakeStatement(choose) + " ; " + MakeStatement(choose);
    default:
      return Pick(choose, {"", " ", "\n"}) + MakeStatement(choose) + Pick(choose, {"", " ", "\t"});
  }
}

inline Script MakeScript(const Choose& choose) {
  static constexpr const char* kFiles[][3] = {{"page.htm", "<!--%", "%-->"},
                                              {"style.css", "/*%", "%*/"},
                                              {"setup.ini", ";%", "%;"},
                                              {"notes.txt", "%%%", "%%%"}};
  const auto& file = kFiles[choose(4)];
  Script script;
  script.file_name = file[0];
  const uint32_t pieces = 1 + choose(12);
  for (uint32_t i = 0; i < pieces; ++i) {
    switch (choose(6)) {
      case 0:
        script.text += Pick(choose, {"<p>", " ", "50% off", "\n", "<!-- -->", "a;b", "%%", "\\'"});
        break;
      case 1:  // an opening delimiter left open, or one of another file type
        script.text += Pick(choose, {"<!--%", "%%%x", "/*%", ";%", "%-->"});
        break;
      case 2:
        script.text += std::string("%%%") + MakeInner(choose) + "%%%";
        break;
      default:
        script.text += file[1] + MakeInner(choose) + file[2];
        break;
    }
  }
  script.change = choose(5);
  for (uint32_t i = choose(3); i > 0; --i) script.statements.push_back(MakeStatement(choose));
  if (choose(3) == 0) {
    script.evaluation_limit = choose(8);
    script.value_size_limit = choose(2) * 6;
    script.stop_after = choose(2) * (1 + choose(20));
  }
  return script;
}

// ---- one run ---------------------------------------------------------------

// The journal of a script run on a manager of the given path. With a
// path on disk, the template is also written there and patched in place
// by the manager's PatchFile, and what it became is journaled.
inline std::string RunScript(const Script& script, EvaluationPath path,
                       const std::string& disk_path = {}) {
  Journal journal;
  JournalControl control(journal, script.stop_after);
  JournalHost host(journal, script.stop_after != 0 ? &control : nullptr);
  ITplManager* manager = nullptr;
  JournalResolver resolver(journal, manager);
  CreateManagerInstance(&manager, path);
  if (manager == nullptr) return "no manager";
  {
    const auto held = ComPtr<ITplManager>::retain(manager);
    const auto copier = held.query<ITplFileCopier>(IID_ITplFileCopier);
    const auto services = held.query<ITplMacroServices>(IID_ITplMacroServices);
    const auto globals = held.query<ITplVariables>(IID_ITplVariables);
    copier->Initialize(&host);
    const auto limit = [&](const char* name, uint32_t value) {
      if (value != 0) manager->SetSystemValue(name, std::to_string(value).c_str());
    };
    limit(kEvaluationLimitValue, script.evaluation_limit);
    limit(kValueSizeLimitValue, script.value_size_limit);
    ITplResolverSet* set = nullptr;
    CreateResolverSetInstance(&set);
    set->SetManager(manager);
    set->Initialize();
    manager->AddResolver(&resolver);
    globals->SetVariable("gone$$", "one");
    globals->SetVariable("gtwo$$", "two \\% three");
    globals->SetVariable("gquote$$", "it's <b>");

    ComPtr<ITplPatchedFile> file;
    services->CreatePatchedFile(file.put());
    file->SetText(script.text.c_str());
    file->SetFileName(script.file_name.c_str());
    {
      JournalString out(journal, "patched");
      file->Patch(&out);
    }
    if (script.change != 0) {
      if (script.change == 1) globals->RemoveVariable("gone$$");
      if (script.change == 2) globals->SetVariable("gone$$", "uno");
      if (script.change == 3) {
        globals->ClearVariables();
        services->RegisterName("gtwo$$", &resolver);
      }
      JournalString out(journal, "patched again");
      file->Patch(&out);
    }
    resolver.LetGo();
    file.reset();
    for (const std::string& statement : script.statements) {
      JournalString resolved(journal, "resolved");
      JournalString evaluated(journal, "evaluated");
      manager->ResolveMacroText(statement.c_str(), &resolved);
      manager->EvaluateExpression(statement.c_str(), &evaluated);
      JournalCall call(journal, statement);
      journal.Add("host call resolved " + std::to_string(services->ResolveMacroCall(&call)) +
                  " references " + std::to_string(call.count()));
      resolver.Forget();
    }
    if (!disk_path.empty()) {
      const CByteString text(script.text.data(), script.text.size());
      text.SaveToFile(disk_path.c_str());
      journal.Add("PatchFile " + std::to_string(manager->PatchFile(disk_path.c_str())));
      CByteString patched;
      patched.LoadFromFile(disk_path.c_str());
      journal.Add("on disk " + Quoted(patched.GetContent()));
    }

    set->Uninitialize();
    set->Release();
    manager->RemoveResolver(&resolver);
    copier->Terminate();
  }
  journal.Add("manager references left " + std::to_string(manager->Release()));
  journal.Add("host and resolver references " + std::to_string(host.count()) + " " +
              std::to_string(resolver.count()));
  return journal.text();
}

// Both paths on one script; "" when they agree, else both journals.
inline std::string Disagreement(const Script& script, const std::string& disk_path = {}) {
  const std::string fast = RunScript(script, EvaluationPath::kFast, disk_path);
  const std::string straightforward = RunScript(script, EvaluationPath::kStraightforward, disk_path);
  if (fast == straightforward) return {};
  return "file " + script.file_name + ", change " + std::to_string(script.change) + ":\n" +
         script.text + "\n--- fast path ---\n" + fast + "--- straightforward path ---\n" +
         straightforward;
}

}  // namespace quenloft::differential

#endif  // QUENLOFT_TESTS_PATCHING_FAST_PATH_DIFFERENTIAL_H
