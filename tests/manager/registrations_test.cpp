// What a host registers with a manager, beyond the rows of the statement
// table (registry.txt, sources.txt): null arguments, Initialize and
// Uninitialize of resolvers, and a resolver that throws.
#include <gtest/gtest.h>

#include "support/texts.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

// Null and empty arguments are refused and take no reference; AddResolver
// initialises its resolver and RemoveResolver uninitialises it. How names
// are held is tabled in the statement table (registry.txt).
TEST(Registry, RefusesNullArgumentsAndInitialisesWhatItAdds) {
  HostResolver a({"Greeting"});
  HostSource source;
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.services);
    EXPECT_EQ(Codes({m.services->RegisterName(nullptr, &a), m.services->RegisterName("", &a),
                     m.services->RegisterName("Output", nullptr),
                     m.services->UnregisterName(nullptr, &a), m.services->UnregisterName("", &a),
                     m.services->UnregisterName("Output", nullptr),
                     m.manager->AddResolver(nullptr), m.manager->RemoveResolver(nullptr),
                     a.count(), m.manager->AddResolver(&a), m.manager->RemoveResolver(&a)}),
              "1,1,1,1,1,1,1,1,1,0,0");
    EXPECT_EQ(Codes({m.services->AddTemplateFile(nullptr, &source),
                     m.services->AddTemplateFile("a.htm", nullptr),
                     m.services->RemoveTemplateFile(nullptr, &source),
                     m.services->RemoveTemplateFile("a.htm", nullptr),
                     m.manager->AddFileSource(nullptr), m.manager->RemoveFileSource(nullptr),
                     source.count(), m.manager->AddUpdateFile(nullptr)}),
              "1,1,1,1,1,1,1,0");

  }
  EXPECT_EQ((Counts{a.initialized, a.uninitialized, a.count()}), (Counts{1, 1, 1}));
}

// A resolver whose Release throws does not keep the other entries
// registered.
TEST(Registry, ClearGoesOnAfterAThrowingRelease) {
  HostResolver thrower({"One", "Two"}), good({"Three"});
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  ASSERT_EQ(s.manager->AddResolver(&thrower), 0);
  ASSERT_EQ(s.manager->AddResolver(&good), 0);
  thrower.throw_on_release = true;
  EXPECT_EQ(s.copier->Terminate(), 0);
  EXPECT_EQ((Counts{thrower.count(), good.count(), s.manager->HasResolverFor("One"),
                    s.manager->HasResolverFor("Three")}),
            (Counts{1, 1, 1, 1}));
  // A null name or value of a System value stores nothing.
  ASSERT_EQ(s.copier->Initialize(&s.host), 0);
  Text title;
  EXPECT_EQ(Codes({s.manager->SetSystemValue("System.Title", "Kept"),
                   s.manager->SetSystemValue("System.Title", nullptr),
                   s.manager->SetSystemValue(nullptr, "x"),
                   s.manager->SetSystemValue(nullptr, nullptr),
                   s.manager->ResolveMacroText("System.Title", title)}),
            "0,0,0,0,0");
  EXPECT_EQ(title.text(), "Kept");
}

}  // namespace
}  // namespace quenloft::testing
