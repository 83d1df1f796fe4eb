// An example resolver module: answers Date(format), Env(name) and
// Counter(name) in templates. Built against the public headers only, so
// it can be copied as the start of a module of your own.
//
// A manager that is asked for it with AddResolverModuleByHost loads this
// file from the folder of libquenloft.so, calls its
// CreateTemplateResolversInstance, configures the set and initialises it;
// the set then hands its resolver to the manager with AddResolver.
#include <quenloft/com.h>
#include <quenloft/quenloft.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <unordered_map>

namespace {

// The one resolver of this module. It is handed to the manager, whose
// registry keeps a reference per name until the set takes it back.
// ComObject gives it QueryInterface (answering IID_ITplResolver), AddRef
// and Release; it deletes itself when the last reference goes.
class ExampleResolver final : public quenloft::ComObject<ExampleResolver, ITplResolver> {
 public:
  static constexpr int32_t kNullOutResult = 1;  // as resolvers answer a null out-pointer

  // No reference on the manager: the manager releases this resolver (set
  // Uninitialize, or its own Terminate) before it goes.
  explicit ExampleResolver(ITplManager* manager) : manager_(manager) {}
  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }

  // The names to register; an empty name ends the listing.
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override {
    if (position == nullptr) return 1;
    *position = 0;
    return GetNextName(name, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) override {
    static const char* const kNames[] = {"Date", "Env", "Counter"};
    if (name == nullptr || position == nullptr) return 1;
    if (*position < 0 || *position >= 3) {
      name->Empty();
      return 1;
    }
    name->SetText(kNames[(*position)++]);
    return 0;
  }
  int32_t QL_CALL OnNameConflict(const char*) override { return 0; }

  // 0 when the call was answered; the value goes back through SetResult.
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    if (call == nullptr) return 1;
    try {
      const quenloft::Text name;
      call->GetName(name);
      const std::string which = name.text();
      std::string value;
      if (which == "Date") {
        value = Date(call);
      } else if (which == "Env") {
        const char* found = std::getenv(Argument(call, 0).c_str());
        value = found != nullptr ? found : "";
      } else if (which == "Counter") {
        value = std::to_string(++counters_[Argument(call, 0)]);
      } else {
        return 1;
      }
      call->SetResult(value.c_str());
      return 0;
    } catch (...) {
      return 1;  // no exception may cross the interface
    }
  }

 private:
  // Argument i as a value. An argument is a statement of its own: a quoted
  // text is taken literally, anything else (a variable, a function, a
  // System value) is evaluated in the calling template's context.
  std::string Argument(ITplMacroCall* call, int32_t index) const {
    int32_t count = 0;
    if (call->GetArgCount(&count) != 0 || index >= count) return {};
    const quenloft::Text text;
    const quenloft::Text value;
    call->GetArg(index, text);
    manager_->ResolveMacroTextFor(text.text().c_str(), call, value);
    return value.text();
  }

  std::string Date(ITplMacroCall* call) const {
    std::string format = Argument(call, 0);
    if (format.empty()) format = "%Y-%m-%d";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return {};
    char buffer[256];
    const size_t length = std::strftime(buffer, sizeof buffer, format.c_str(), &local);
    return std::string(buffer, length);
  }

  ITplManager* manager_;
  std::unordered_map<std::string, int> counters_;  // per set: one resolver each
};

// What the manager obtains from CreateTemplateResolversInstance. If
// Uninitialize did not run, the registry may still hold the resolver, which
// then lives on until the manager lets it go.
class ExampleResolverSet final : public quenloft::ComObject<ExampleResolverSet, ITplResolverSet> {
 public:
  // Creates the resolver and registers its names with the manager.
  int32_t QL_CALL Initialize() override {
    if (manager_ == nullptr || resolver_) return 0;
    resolver_ = quenloft::MakeObject<ExampleResolver>(manager_);
    if (!resolver_) return 1;
    manager_->AddResolver(resolver_.get());
    return 0;
  }
  // Withdraws the resolver's names and lets it go.
  int32_t QL_CALL Uninitialize() override {
    if (manager_ == nullptr || !resolver_) return 0;
    manager_->RemoveResolver(resolver_.get());
    resolver_.reset();
    return 0;
  }
  // No reference is kept: the manager releases its sets before it ends.
  int32_t QL_CALL SetManager(ITplManager* manager) override {
    manager_ = manager;
    return 0;
  }
  int32_t QL_CALL SetHostPath(const char* text) override { return Store(&host_path_, text); }
  int32_t QL_CALL SetHostParam(const char* text) override { return Store(&host_param_, text); }
  int32_t QL_CALL Reserved(int32_t) override { return 0; }

 private:
  static int32_t Store(std::string* field, const char* text) {
    try {
      *field = text != nullptr ? text : "";
    } catch (...) {
      return 1;
    }
    return 0;
  }

  ITplManager* manager_ = nullptr;
  quenloft::ComPtr<ExampleResolver> resolver_;  // while initialised
  // What the host passed; a module of your own may read them in Initialize.
  std::string host_path_;
  std::string host_param_;
};

}  // namespace

extern "C" {

// The factory every resolver module exports: a new set with one reference
// for the caller; 1 for a null out-pointer.
QL_EXPORT_SYMBOL int32_t QL_CALL CreateTemplateResolversInstance(ITplResolverSet** out) {
  if (out == nullptr) return 1;
  *out = quenloft::MakeObject<ExampleResolverSet>().detach();
  return *out != nullptr ? 0 : 1;
}

// Optional: run once when a manager first loads the module, and once when
// it lets the module go. Nothing to set up here; results are ignored.
QL_EXPORT_SYMBOL int32_t QL_CALL DllRegisterServer() { return 0; }
QL_EXPORT_SYMBOL int32_t QL_CALL DllUnregisterServer() { return 0; }

}  // extern "C"
