// A host keeps the calls its resolver is given, and their contexts, and
// lets them go on a thread of its own while the manager goes on patching
// on the main thread, and while the manager itself ends. Run under
// ThreadSanitizer: the releases must not race with the manager's reuse of
// its objects, nor with its end.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "patching/manager_paths.h"

namespace quenloft::testing {
namespace {

// The host's releasing thread: takes batches of objects and releases them
// in order; an empty batch ends it.
class Releaser {
 public:
  Releaser() : thread_([this] { Run(); }) {}
  ~Releaser() {
    Send({});
    thread_.join();
  }
  void Send(std::vector<ITplUnknown*> batch) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      batches_.push_back(std::move(batch));
    }
    ready_.notify_one();
  }

 private:
  void Run() {
    for (;;) {
      std::vector<ITplUnknown*> batch;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !batches_.empty(); });
        batch = std::move(batches_.front());
        batches_.pop_front();
      }
      if (batch.empty()) return;
      for (ITplUnknown* object : batch) object->Release();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::vector<ITplUnknown*>> batches_;
  std::thread thread_;
};

// Markers whose calls reach a host's resolver by every road: a marker's
// one statement, statements of an expression, a function's argument, a
// text a function resolves, and an assignment; and a marker that gives
// the context of the one before a scope.
constexpr const char* kPage =
    "<!--%Keep(a)%--><!--%Look(l)%--> <!--%Keep(b); Keep(c)%--> <!--%Concat(Keep(d), 'e')%-->"
    " <!--%ReplaceMacros('<%Keep(f)%>')%--> <!--%v = Keep(g)%-->";

void PatchWhileReleasing(ManagerSession::Factories make) {
  Releaser releaser;
  std::vector<ITplUnknown*> kept;
  ITplExpression* last_context = nullptr;  // kept already
  HostResolver resolver({"Keep", "Look"});
  resolver.on_resolve = [&](ITplMacroCall* call) {
    call->AddRef();
    kept.push_back(call);
    // Look gives the marker's context kept before a scope with a name in
    // the registry, outside that context's evaluation.
    HostString name;
    call->GetName(&name);
    ITplVariables* scope = nullptr;
    if (name.text() == "Look" && last_context != nullptr &&
        last_context->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope)) == 0) {
      scope->SetVariable("seen", "1");
      scope->Release();
    }
    ITplExpression* context = nullptr;
    if (call->GetContext(&context) == 0 && context != nullptr) kept.push_back(context);
    last_context = context;
    return call->SetResult("k");
  };
  LanguageSession m(make);
  ASSERT_EQ(m.manager->AddResolver(&resolver), 0);
  for (int round = 0; round < 40; ++round) {
    ITplPatchedFile* file = m.NewFile("page.htm");
    file->SetText(kPage);
    HostString out;
    EXPECT_EQ(file->Patch(&out), 0);
    EXPECT_EQ(out.text(), "kk kk ke <k> ");
    file->Release();
    HostString text;
    m.manager->ResolveMacroText("Keep(w)", &text);
    // The file is gone: the host holds the last references.
    releaser.Send(std::move(kept));
    kept.clear();
    last_context = nullptr;
  }
  m.manager->RemoveResolver(&resolver);
  // The last batch may still be on its way while the manager ends.
  m.Close();
}

TEST(KeptReleaseConcurrencyTest, HostReleasesKeptObjectsOnItsOwnThread) {
  for (const Path& path : kPaths) {
    SCOPED_TRACE(path.name);
    PatchWhileReleasing(path.make);
  }
}

}  // namespace
}  // namespace quenloft::testing
