// The function library and the System resolver as objects: their answers
// through ITplResolver, which a manager's registry only partly shows.
#include <gtest/gtest.h>

#include <string>

#include "frame/com_ptr.h"
#include "frame/string_object.h"
#include "functions/function_library.h"
#include "functions/system_resolver.h"
#include "quenloft/quenloft.h"

namespace quenloft {
namespace {

// A manager from the library's export, to attach to.
class ResolverObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateTemplateManagerInstance(&manager_), 0);
    ASSERT_EQ(manager_->QueryInterface(IID_ITplMacroServices, reinterpret_cast<void**>(&services_)),
              0);
  }
  void TearDown() override {
    services_->Release();
    EXPECT_EQ(manager_->Release(), 0);
  }

  ITplManager* manager_ = nullptr;
  ITplMacroServices* services_ = nullptr;
};

// QueryInterface answers of an owner-held resolver: 1 for a null
// out-pointer, ITplResolver only, and Release never destroys.
void ExpectResolverIdentity(ITplResolver* resolver) {
  EXPECT_EQ(resolver->QueryInterface(IID_ITplResolver, nullptr), 1);
  void* out = reinterpret_cast<void*>(&out);
  for (const TplIID* iid : {&IID_ITplManager, &IID_ITplVariables, &IID_ITplResolverSet}) {
    EXPECT_EQ(resolver->QueryInterface(*iid, &out), TPL_E_NOTIMPL);
    EXPECT_EQ(out, nullptr);
  }
  const int32_t before = resolver->AddRef() - 1;
  resolver->Release();
  ASSERT_EQ(resolver->QueryInterface(IID_ITplResolver, &out), 0);
  EXPECT_EQ(out, static_cast<void*>(resolver));
  EXPECT_EQ(resolver->Release(), before);
  EXPECT_EQ(resolver->AddRef(), before + 1);
  EXPECT_EQ(resolver->Release(), before);
}

TEST_F(ResolverObjects, FunctionLibraryAnswers) {
  CTplFunctionLibrary library;
  ExpectResolverIdentity(&library);
  ComPtr<ICvoString> name = NewString();
  int32_t position = 0;
  // Not built yet: nothing to list.
  EXPECT_EQ(library.GetNextName(name.get(), &position), 1);
  EXPECT_EQ(library.Initialize(), 0);
  EXPECT_EQ(library.Initialize(), 0);
  EXPECT_EQ(library.function_count(), 20u);

  EXPECT_EQ(library.GetFirstName(nullptr, &position), 0);
  EXPECT_EQ(library.GetFirstName(name.get(), nullptr), 0);
  EXPECT_EQ(library.GetNextName(nullptr, &position), 1);
  position = 0;
  EXPECT_EQ(library.GetFirstName(name.get(), &position), 0);
  EXPECT_EQ(ReadString(name.get()), "AssignString");
  EXPECT_EQ(position, 1);
  EXPECT_EQ(library.GetNextName(name.get(), &position), 0);
  EXPECT_EQ(ReadString(name.get()), "CompareNumber");
  position = 19;
  EXPECT_EQ(library.GetNextName(name.get(), &position), 0);
  EXPECT_EQ(ReadString(name.get()), "ColorToName");
  EXPECT_EQ(position, 20);
  EXPECT_EQ(library.GetNextName(name.get(), &position), 1);
  EXPECT_EQ(ReadString(name.get()), "");
  position = -1;
  EXPECT_EQ(library.GetNextName(name.get(), &position), 1);

  EXPECT_EQ(library.OnNameConflict("Concat"), 1);
  EXPECT_EQ(library.Uninitialize(), 0);
  EXPECT_EQ(library.Resolve(nullptr), 1);
}

TEST_F(ResolverObjects, AttachAndDetach) {
  CTplFunctionLibrary library;
  EXPECT_EQ(manager_->HasResolverFor("Concat"), 1);
  EXPECT_EQ(library.Attach(manager_), 1);
  EXPECT_EQ(manager_->HasResolverFor("Concat"), 0);
  EXPECT_EQ(manager_->HasResolverFor("ColorToName"), 0);
  // One reference per registered name.
  EXPECT_EQ(library.AddRef(), 21);
  library.Release();
  // Attached already: nothing changes.
  ITplManager* other = nullptr;
  ASSERT_EQ(CreateTemplateManagerInstance(&other), 0);
  EXPECT_EQ(library.Attach(other), 1);
  EXPECT_EQ(other->HasResolverFor("Concat"), 1);
  EXPECT_EQ(library.function_count(), 20u);

  EXPECT_EQ(library.Detach(), 1);
  EXPECT_EQ(manager_->HasResolverFor("Concat"), 1);
  EXPECT_EQ(library.AddRef(), 1);
  library.Release();
  EXPECT_EQ(library.Detach(), 1);  // detached already
  EXPECT_EQ(other->Release(), 0);
}

TEST_F(ResolverObjects, SystemResolverAnswers) {
  SystemValueMap values;
  Owned<ITplResolver> resolver = MakeSystemResolver(&values, nullptr);
  ASSERT_TRUE(resolver);
  ExpectResolverIdentity(resolver.get());
  EXPECT_EQ(resolver->Initialize(), 0);
  EXPECT_EQ(resolver->Uninitialize(), 0);
  EXPECT_EQ(resolver->OnNameConflict("System"), 0);

  ComPtr<ICvoString> name = NewString();
  int32_t position = 5;
  EXPECT_EQ(resolver->GetFirstName(name.get(), &position), 0);
  EXPECT_EQ(ReadString(name.get()), "System");
  EXPECT_EQ(position, 0);
  EXPECT_EQ(resolver->GetNextName(name.get(), &position), 0);
  EXPECT_EQ(ReadString(name.get()), "");
  EXPECT_EQ(position, 0);
  EXPECT_EQ(resolver->GetFirstName(nullptr, &position), 0);
  EXPECT_EQ(resolver->GetNextName(name.get(), nullptr), 0);

  EXPECT_EQ(resolver->Resolve(nullptr), 0);
}

TEST_F(ResolverObjects, SystemResolverRegistersForItsLifetime) {
  // The manager has not been initialised, so it holds no "System" of its own.
  SystemValueMap values;
  EXPECT_EQ(manager_->HasResolverFor("System"), 1);
  {
    Owned<ITplResolver> resolver = MakeSystemResolver(&values, services_);
    EXPECT_EQ(manager_->HasResolverFor("System.Anything"), 0);
    EXPECT_EQ(resolver->AddRef(), 2);  // the registry's reference and this one
    resolver->Release();
  }
  EXPECT_EQ(manager_->HasResolverFor("System"), 1);
}

}  // namespace
}  // namespace quenloft
