// hello-host: the smallest complete host of the template library.
//
// It loads libquenloft.so.1 at run time the way the system finds any
// library (its run path, then the loader's cache), makes a template manager, hands it a host callback that prints what the
// library reports, attaches the built-in functions, stores a system value,
// resolves and evaluates a few statements, and gives every reference back.
#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <string>

#include "quenloft/com.h"
#include "quenloft/quenloft.h"

namespace {

// The host callback: prints the library's messages. It lives on the stack,
// so it is owner-held (it never deletes itself), and its count shows at the
// end that the library gave back every reference it took.
class ConsoleHost final : public quenloft::OwnerHeldComObject<ConsoleHost, ITplHostCallback> {
 public:
  int32_t QL_CALL Output(const char* text) override {
    std::string shown;
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
      if (*p != '\r' && *p != '\n') shown += *p;
    }
    if (!shown.empty()) std::printf("  [library says] %s\n", shown.c_str());
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

  int32_t count() const { return RefCount(); }
};

// The soname: a host asks for the major version it was written against.
// The build gives the program a run path naming the library's folder,
// which the loader searches for dlopen as for linked libraries.
constexpr char kLibrary[] = "libquenloft.so.1";

// The file the loader chose, for the record.
std::string LoadedFile(void* library) {
  link_map* map = nullptr;
  if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return kLibrary;
  return map->l_name;
}

template <class F>
F EntryPoint(void* library, const char* name) {
  return reinterpret_cast<F>(dlsym(library, name));
}

int Run(void* library) {
  auto create_manager =
      EntryPoint<PFN_CreateTemplateManagerInstance>(library, "CreateTemplateManagerInstance");
  auto create_resolvers =
      EntryPoint<PFN_CreateTemplateResolversInstance>(library, "CreateTemplateResolversInstance");
  if (create_manager == nullptr) {
    std::printf("The library has no CreateTemplateManagerInstance.\n");
    return 1;
  }

  ConsoleHost host;
  {
    quenloft::ComPtr<ITplManager> manager;
    quenloft::ComPtr<ITplFileCopier> copier;
    if (create_manager(manager.put()) == 0) copier = manager.query<ITplFileCopier>();
    if (!copier) {
      std::printf("No template manager could be made.\n");
      return 1;
    }
    copier->Initialize(&host);
    std::printf("Made a template manager and gave it a host callback.\n");

    manager->SetSystemValue("System.Title", "Quenloft");
    std::printf("Stored System.Title = \"Quenloft\".\n");

    // The built-in functions come as a resolver set, like any module's.
    quenloft::ComPtr<ITplResolverSet> builtins;
    if (create_resolvers != nullptr && create_resolvers(builtins.put()) == 0 && builtins) {
      builtins->SetManager(manager.get());
      builtins->Initialize();
      std::printf("Attached the built-in functions.\n");
    } else {
      std::printf("No built-in functions in this build; expressions will not resolve.\n");
    }

    quenloft::Text out;  // a string object for the values to come back in
    if (out.get() == nullptr) {
      std::printf("No string object could be made.\n");
      return 1;
    }
    // One statement, resolved by whoever holds its name.
    manager->ResolveMacroText("System.Title", out);
    std::printf("System.Title resolves to \"%s\"\n", out.text().c_str());

    // A marker's text: statements joined, a function call among them.
    const char* expression = "Concat('Hello, ', System.Title, '!')";
    out.clear();
    if (manager->EvaluateExpression(expression, out) == 0) {
      std::printf("%s evaluates to \"%s\"\n", expression, out.text().c_str());
    }

    // A name nobody answers: the library tells the host.
    std::printf("Resolving Nobody.Knows:\n");
    out.clear();
    manager->ResolveMacroText("Nobody.Knows", out);

    if (builtins) builtins->Uninitialize();
    copier->Terminate();
  }
  std::printf("Released the manager; %s.\n", host.count() == 0
                                                 ? "the library gave back every reference"
                                                 : "the library kept references");
  return host.count() == 0 ? 0 : 1;
}

}  // namespace

int main() {
  void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::printf("Cannot load %s: %s\n", kLibrary, dlerror());
    std::printf("Build with a run path naming the library's folder, or run ldconfig after\n"
                "installing it into a system folder.\n");
    return 1;
  }
  std::printf("Loaded %s\n", LoadedFile(library).c_str());
  const int status = Run(library);
  dlclose(library);
  return status;
}
