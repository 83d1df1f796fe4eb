// A host keeps the library's objects beyond the file, the expression and
// the manager that made them: a resolver keeps the call it was given and
// the expression of its context, a host the objects it made through the
// services. Each kept object answers from its own data without its owner,
// fails what would need its manager once that is gone, and frees only its
// own data. On managers of both kinds (the fast paths and the
// straightforward one), which reach their objects by different roads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "patching/manager_paths.h"
#include "support/texts.h"

namespace quenloft::testing {
namespace {

struct Kept {
  ITplMacroCall* call = nullptr;
  ITplExpression* context = nullptr;  // null when the call had none
};

struct KeepCase {
  const char* name;
  // Has the manager resolve a statement naming Keep; the file it used, if
  // any, is released before the kept objects are asked.
  void (*run)(LanguageSession& m);
  // What Describe tells of the kept call once the file is gone, and again
  // once the manager is gone too: when the resolver keeps the call alone,
  // and when it keeps the call's context as well.
  const char* call_alone;
  const char* with_context;
};

void PatchPage(LanguageSession& m, const char* text) {
  ITplPatchedFile* file = m.NewFile("page.htm");
  file->SetText(text);
  HostString out;
  file->Patch(&out);
  file->Release();
}

// The call of a marker forgets its expression when that goes; a call a
// function makes for a statement of its own keeps the context it was lent,
// and the expression a function evaluates for the file keeps the file.
const KeepCase kCases[] = {
    {"marker", [](LanguageSession& m) { PatchPage(m, "a<!--%Keep(x)%-->b"); },
     "0,0,0 Keep(x) kept x", "0,0,0 Keep(x) kept x context"},
    {"argument of a function",
     [](LanguageSession& m) { PatchPage(m, "<!--%Concat(Keep(y), 'z')%-->"); },
     "0,0,0 Keep(y) kept y context", "0,0,0 Keep(y) kept y context"},
    {"name in the text of ReplaceMacros",
     [](LanguageSession& m) { PatchPage(m, "<!--%ReplaceMacros('<%Keep(r)%>')%-->"); },
     "0,0,0 Keep(r) kept r context", "0,0,0 Keep(r) kept r context"},
    {"statement of ReplaceMacroExpr",
     [](LanguageSession& m) { PatchPage(m, "<!--%ReplaceMacroExpr('Keep(e)')%-->"); },
     "0,0,0 Keep(e) kept e", "0,0,0 Keep(e) kept e container context+owner"},
    {"resolved text",
     [](LanguageSession& m) {
       HostString out;
       m.manager->ResolveMacroText("Keep(w)", &out);
     },
     "0,0,0 Keep(w) kept w", "0,0,0 Keep(w) kept w"},
};

// What a kept call says about itself and its owner, on one line.
std::string Describe(ITplMacroCall* call) {
  HostString text, value, arg;
  ITplExpression* context = nullptr;
  ITplUnknown* container = nullptr;
  call->GetContainer(&container);
  std::string line = Codes({call->GetText(&text), call->GetValue(&value), call->GetArg(0, &arg)}) +
                     " " + text.text() + " " + value.text() + " " + arg.text();
  if (container != nullptr) line += " container";
  if (call->GetContext(&context) == 0 && context != nullptr) {
    ITplUnknown* owner = nullptr;
    context->GetOwner(&owner);
    line += owner != nullptr ? " context+owner" : " context";
    if (owner != nullptr) owner->Release();
    context->Release();
  }
  if (container != nullptr) container->Release();
  return line;
}

// What each operation answers, on one line: its code(s), then what it gave.
std::string QueryScope(ITplUnknown* object) {
  void* scope = object;  // anything but null
  const int32_t code = object->QueryInterface(IID_ITplVariables, &scope);
  if (scope != nullptr) static_cast<ITplUnknown*>(scope)->Release();
  return Codes({code}) + (scope == nullptr ? " none" : " scope");
}
std::string Evaluated(ITplExpression* expression) {
  HostString out(kUntouched);
  const int32_t code = expression->Evaluate(&out);
  return Codes({code}) + " " + out.text();
}
std::string Patched(ITplPatchedFile* file) {
  HostString out(kUntouched);
  const int32_t code = file->Patch(&out);
  return Codes({code}) + " " + out.text();
}
std::string FirstCall(ITplExpression* expression) {
  ITplMacroCall* call = nullptr;
  uint32_t position = 7;
  const int32_t code = expression->GetFirstCall(&call, &position);
  HostString text(call == nullptr ? "none" : "");
  if (call != nullptr) call->GetText(&text), call->Release();
  return Codes({code, static_cast<int32_t>(position)}) + " " + text.text();
}
template <class I>
std::string Cloned(I* object) {
  I* clone = object;  // anything but null
  const int32_t code = object->Clone(&clone);
  if (clone != nullptr) clone->Release();
  return Codes({code}) + (clone == nullptr ? " none" : " clone");
}

// A resolver keeps the call of the case's statement (and its context, if
// asked); the file goes, then the manager.
void KeepAndAsk(const Path& path, const KeepCase& c, bool keep_context) {
  const std::string described = keep_context ? c.with_context : c.call_alone;
  std::vector<Kept> kept;
  HostResolver resolver({"Keep"});
  resolver.on_resolve = [&](ITplMacroCall* call) {
    Kept k;
    call->AddRef();
    k.call = call;
    if (keep_context) call->GetContext(&k.context);
    kept.push_back(k);
    return call->SetResult("kept");
  };
  {
    LanguageSession m(path.make);
    ASSERT_EQ(m.manager->AddResolver(&resolver), 0);
    c.run(m);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(Describe(kept[0].call), described);
    m.manager->RemoveResolver(&resolver);
  }
  // The manager is gone too: the call still tells what it holds, its
  // context no longer evaluates, and nothing new is made.
  for (Kept& k : kept) {
    EXPECT_EQ(Describe(k.call), described);
    ITplMacroCall* clone = k.call;
    EXPECT_EQ(k.call->Clone(&clone), 1);
    EXPECT_EQ(clone, nullptr);
    if (k.context == nullptr) k.call->GetContext(&k.context);
    if (k.context != nullptr) {
      EXPECT_EQ(Evaluated(k.context), "1 -");
      const std::string first = FirstCall(k.context);  // parsed before: its calls stay
      EXPECT_EQ(first.substr(0, 4), "0,0 ");
      EXPECT_NE(first, "0,0 none");
      k.context->Release();
    }
    EXPECT_EQ(k.call->Release(), 0);
  }
}

TEST(KeptObjectsTest, OutliveTheirFileAndManager) {
  for (const Path& path : kPaths) {
    for (const KeepCase& c : kCases) {
      for (const bool keep_context : {false, true}) {
        SCOPED_TRACE(std::string(path.name) + ", " + c.name +
                     (keep_context ? ", with its context" : ", the call alone"));
        KeepAndAsk(path, c, keep_context);
      }
    }
  }
}

// What a host made through the services and keeps beyond the manager.
struct HostKept {
  ITplExpression* unparsed = nullptr;  // never asked for its calls
  ITplExpression* scoped = nullptr;    // evaluated once; its scope asked for since
  ITplVariables* scope = nullptr;      // scoped's, not counted (its owner ends it)
  ITplExpression* evaluated = nullptr;
  ITplPatchedFile* file = nullptr;  // patched once, a marker in its text
  ITplMacroCall* call = nullptr;    // resolved once
};

HostKept MakeAndUse(LanguageSession& m) {
  HostKept k;
  k.unparsed = m.NewExpression("Concat('a', 'b')");
  k.scoped = m.NewExpression("v = Concat('s')");
  k.evaluated = m.NewExpression("Concat('e')");
  HostString value;
  EXPECT_EQ(k.evaluated->Evaluate(&value), 0);
  EXPECT_EQ(k.scoped->Evaluate(&value), 0);
  k.scoped->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&k.scope));
  if (k.scope != nullptr) {
    k.scope->SetVariable("held", "1");  // registered with the manager
    k.scope->Release();
  }
  k.file = m.NewFile("kept.htm");
  k.file->SetText("a<!--%Concat('f')%-->b");
  EXPECT_EQ(k.file->Patch(&value), 0);
  k.call = m.NewCall("Concat('c')");
  EXPECT_EQ(m.services->ResolveMacroCall(k.call), 0);
  return k;
}

// One operation on a kept object after its manager's end.
struct AfterEnd {
  const char* name;
  std::string (*run)(HostKept& k);
  const char* expected;
};

const AfterEnd kAfterEnd[] = {
    {"unparsed expression lists no call", [](HostKept& k) { return FirstCall(k.unparsed); },
     "0,0 none"},
    {"unparsed expression does not evaluate", [](HostKept& k) { return Evaluated(k.unparsed); },
     "1 -"},
    {"evaluated expression does not evaluate again",
     [](HostKept& k) { return Evaluated(k.evaluated); }, "1 -"},
    {"evaluated expression still lists its calls",
     [](HostKept& k) { return FirstCall(k.evaluated); }, "0,0 Concat('e')"},
    {"expression text and owner",
     [](HostKept& k) {
       HostString text;
       ITplUnknown* owner = k.unparsed;
       const std::string codes = Codes({k.unparsed->GetText(&text), k.unparsed->GetOwner(&owner),
                                        k.unparsed->SetText("Concat('x')")});
       return codes + " " + text.text() + (owner == nullptr ? " none" : " owner");
     },
     "0,0,0 Concat('a', 'b') none"},
    {"expression makes no clone", [](HostKept& k) { return Cloned(k.unparsed); }, "1 none"},
    {"expression makes no scope", [](HostKept& k) { return QueryScope(k.unparsed); },
     "-2147467263 none"},
    {"expression keeps the scope it has", [](HostKept& k) { return QueryScope(k.scoped); },
     "0 scope"},
    {"scope stores without a registry",
     [](HostKept& k) {
       // Both names are withdrawn again when the expression goes.
       const int32_t set = k.scope->SetVariable("late", "2");
       return Codes({set, k.scope->RemoveVariable("held")});
     },
     "1,0"},
    {"file with a marker does not patch", [](HostKept& k) { return Patched(k.file); }, "1 -"},
    {"file text and name",
     [](HostKept& k) {
       HostString text, name;
       return Codes({k.file->GetText(&text), k.file->GetFileName(&name)}) + " " + text.text() +
              " " + name.text();
     },
     "0,0 a<!--%Concat('f')%-->b kept.htm"},
    {"file makes no scope", [](HostKept& k) { return QueryScope(k.file); }, "-2147467263 none"},
    {"call answers from its own data",
     [](HostKept& k) {
       HostString value, result, name;
       const std::string before = Codes({k.call->GetValue(&value), k.call->GetResult(&result)});
       const std::string after =
           Codes({k.call->SetText("Keep(n)"), k.call->GetName(&name), k.call->SetResult("r")});
       HostString changed;
       k.call->GetValue(&changed);
       return before + " " + value.text() + " " + after + " " + name.text() + " " +
              changed.text();
     },
     "0,0 c 0,0,0 Keep r"},
    {"call makes no clone", [](HostKept& k) { return Cloned(k.call); }, "1 none"},
};

// Each operation, then each release, after the manager's end: what needs
// the manager fails, the rest answers, and nothing reaches the manager
// (AddressSanitizer) or is left behind (LeakSanitizer).
TEST(KeptObjectsTest, HostsObjectsAfterTheManagersEnd) {
  for (const Path& path : kPaths) {
    SCOPED_TRACE(path.name);
    HostKept k;
    {
      LanguageSession m(path.make);
      k = MakeAndUse(m);
      ASSERT_NE(k.scope, nullptr);
    }
    for (const AfterEnd& row : kAfterEnd) {
      SCOPED_TRACE(row.name);
      EXPECT_EQ(row.run(k), row.expected);
    }
    for (ITplUnknown* object : std::vector<ITplUnknown*>{k.unparsed, k.scoped, k.evaluated, k.file,
                                                         k.call}) {
      EXPECT_EQ(object->Release(), 0);
    }
  }
}

}  // namespace
}  // namespace quenloft::testing
