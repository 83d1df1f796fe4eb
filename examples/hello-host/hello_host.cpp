// hello-host: the smallest complete host of the template library.
//
// It loads libquenloft.so from the lib folder beside its own bin folder,
// makes a template manager, hands it a host callback that prints what the
// library reports, attaches the built-in functions, stores a system value,
// resolves and evaluates a few statements, and gives every reference back.
#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "quenloft/quenloft.h"

namespace {

// One reference to something the library handed out.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { reset(); }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// The host callback: prints the library's messages. It lives on the stack
// and counts its references so that the end can show all came back.
class ConsoleHost final : public ITplHostCallback {
 public:
  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out == nullptr) return TPL_E_NOTIMPL;
    *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return ++count_; }
  int32_t QL_CALL Release() override { return --count_; }
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

  int32_t count() const { return count_; }

 private:
  int32_t count_ = 1;  // our own
};

std::string TextOf(ICvoString* s) {
  const char* text = nullptr;
  if (s == nullptr || s->GetLength() == 0 || s->GetText(&text) != 0 || text == nullptr) return {};
  return text;
}

// ../lib/libquenloft.so relative to this program's own file.
std::string LibraryPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "libquenloft.so";
  return (self.parent_path().parent_path() / "lib" / "libquenloft.so").string();
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
    Ref<ITplManager> manager;
    Ref<ITplFileCopier> copier;
    if (create_manager(manager.put()) != 0 || !manager ||
        manager->QueryInterface(IID_ITplFileCopier, copier.put_void()) != 0) {
      std::printf("No template manager could be made.\n");
      return 1;
    }
    copier->Initialize(&host);
    std::printf("Made a template manager and gave it a host callback.\n");

    manager->SetSystemValue("System.Title", "Quenloft");
    std::printf("Stored System.Title = \"Quenloft\".\n");

    // The built-in functions come as a resolver set, like any module's.
    Ref<ITplResolverSet> builtins;
    if (create_resolvers != nullptr && create_resolvers(builtins.put()) == 0 && builtins) {
      builtins->SetManager(manager.get());
      builtins->Initialize();
      std::printf("Attached the built-in functions.\n");
    } else {
      std::printf("No built-in functions in this build; expressions will not resolve.\n");
    }

    Ref<ICvoString> out;
    CreateCvoStringInstance(out.put());
    if (!out) {
      std::printf("No string object could be made.\n");
      return 1;
    }
    // One statement, resolved by whoever holds its name.
    manager->ResolveMacroText("System.Title", out.get());
    std::printf("System.Title resolves to \"%s\"\n", TextOf(out.get()).c_str());

    // A marker's text: statements joined, a function call among them.
    const char* expression = "Concat('Hello, ', System.Title, '!')";
    out->Empty();
    if (manager->EvaluateExpression(expression, out.get()) == 0) {
      std::printf("%s evaluates to \"%s\"\n", expression, TextOf(out.get()).c_str());
    }

    // A name nobody answers: the library tells the host.
    std::printf("Resolving Nobody.Knows:\n");
    out->Empty();
    manager->ResolveMacroText("Nobody.Knows", out.get());

    if (builtins) builtins->Uninitialize();
    copier->Terminate();
  }
  std::printf("Released the manager; the host holds %s.\n",
              host.count() == 1 ? "only its own reference again" : "leaked references");
  return host.count() == 1 ? 0 : 1;
}

}  // namespace

int main() {
  const std::string path = LibraryPath();
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::printf("Cannot load %s: %s\n", path.c_str(), dlerror());
    return 1;
  }
  std::printf("Loaded %s\n", path.c_str());
  const int status = Run(library);
  dlclose(library);
  return status;
}
