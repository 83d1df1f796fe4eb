// A host's resolver keeps the call it was given and the expression of its
// context beyond the file, the expression and the manager that made them:
// each kept object still answers from its own data, without its owner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/manager_session.h"
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
  const char* text;   // the kept call's statement
  bool has_context;   // while resolving
};

void PatchPage(LanguageSession& m, const char* text) {
  ITplPatchedFile* file = m.NewFile("page.htm");
  file->SetText(text);
  HostString out;
  file->Patch(&out);
  EXPECT_EQ(file->Release(), 0);
}

const KeepCase kCases[] = {
    {"marker", [](LanguageSession& m) { PatchPage(m, "a<!--%Keep(x)%-->b"); }, "Keep(x)", true},
    {"argument of a function",
     [](LanguageSession& m) { PatchPage(m, "<!--%Concat(Keep(y), 'z')%-->"); }, "Keep(y)",
     true},
    {"resolved text",
     [](LanguageSession& m) {
       HostString out;
       m.manager->ResolveMacroText("Keep(w)", &out);
     },
     "Keep(w)", false},
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

TEST(KeptObjectsTest, OutliveTheirFileAndManager) {
  for (const KeepCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<Kept> kept;
    HostResolver resolver({"Keep"});
    resolver.on_resolve = [&](ITplMacroCall* call) {
      Kept k;
      call->AddRef();
      k.call = call;
      call->GetContext(&k.context);
      kept.push_back(k);
      return call->SetResult("kept");
    };
    {
      LanguageSession m;
      ASSERT_EQ(m.manager->AddResolver(&resolver), 0);
      c.run(m);
      ASSERT_EQ(kept.size(), 1u);
      EXPECT_EQ(kept[0].context != nullptr, c.has_context);
      // The file is gone: no container; an argument's call keeps the
      // context it was lent.
      const std::string owned = Describe(kept[0].call);
      EXPECT_EQ(owned.substr(0, owned.find(" context")),
                std::string("0,0,0 ") + c.text + " kept " + std::string(c.text).substr(5, 1));
      EXPECT_EQ(owned.find("owner"), std::string::npos) << owned;
      m.manager->RemoveResolver(&resolver);
    }
    // The manager is gone too: nothing new is made.
    for (const Kept& k : kept) {
      EXPECT_EQ(Describe(k.call).substr(0, 7), "0,0,0 K");
      ITplMacroCall* clone = k.call;
      EXPECT_EQ(k.call->Clone(&clone), 1);
      EXPECT_EQ(clone, nullptr);
      if (k.context != nullptr) {
        ITplUnknown* owner = k.context;  // anything but null
        HostString text;
        EXPECT_EQ(Codes({k.context->GetOwner(&owner), k.context->GetText(&text)}), "0,0");
        EXPECT_EQ(owner, nullptr);
        EXPECT_FALSE(text.text().empty());
        k.context->Release();
      }
      EXPECT_EQ(k.call->Release(), 0);
    }
  }
}

}  // namespace
}  // namespace quenloft::testing
