// The manager object as a host holds it, beyond what the C contract hosts
// check of its identities, counts and slots: the references it takes on a
// host's objects, given back by Terminate or, at the latest, when it ends;
// and a resolver that throws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/manager_session.h"
#include "support/texts.h"

namespace quenloft::testing {
namespace {

TEST(ManagerObject, EveryHostObjectGetsItsReferencesBack) {
  for (const bool terminate : {true, false}) {
    SCOPED_TRACE(terminate ? "Terminate, then release" : "release only");
    RecordingHost host;
    HostSource pages({"index.htm", "sub/page.htm", "SUB\\Page.HTM", "style.css"});
    HostSource images({"logo.gif"});
    HostResolver functions({"Concat", "Replace"});
    HostResolver single;
    {
      ManagerRefs m = NewManager();
      ASSERT_TRUE(m.manager && m.copier && m.services);
      ASSERT_EQ(m.copier->Initialize(&host), 0);
      EXPECT_EQ(m.manager->AddFileSource(&pages), 0);
      EXPECT_EQ(m.manager->AddFileSource(&images), 0);
      EXPECT_EQ(m.manager->AddResolver(&functions), 0);
      EXPECT_EQ(m.services->RegisterName("Single", &single), 0);
      // One per distinct file, one per name.
      EXPECT_EQ((Counts{host.count(), pages.count(), images.count(), functions.count(),
                        single.count()}),
                (Counts{2, 1 + 3, 1 + 1, 1 + 2, 1 + 1}));
      EXPECT_EQ(terminate ? m.copier->Terminate() : 0, 0);
    }
    EXPECT_EQ((Counts{host.count(), pages.count(), images.count(), functions.count(),
                      single.count()}),
              (Counts{1, 1, 1, 1, 1}));
  }
}

// A host holds one reference from Initialize until Terminate or the next
// Initialize, which gives the earlier host back.
TEST(ManagerObject, EachHostHoldsOneReferenceUntilReplacedOrTerminated) {
  RecordingHost first, second;
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.copier);
    const auto host = [&m] {  // what GetHost gives, its reference given back at once
      ComPtr<ITplHostCallback> got;
      EXPECT_EQ(m.manager->GetHost(got.put()), 0);
      return static_cast<ITplHostCallback*>(got.get());
    };
    EXPECT_EQ(host(), nullptr);
    EXPECT_EQ(Codes({m.copier->Initialize(&first), first.count(), m.copier->Terminate(),
                     first.count(), m.manager->GetHost(nullptr)}),
              "0,2,0,1,0");
    EXPECT_EQ(host(), nullptr);
    EXPECT_EQ(Codes({m.copier->Initialize(&first), m.copier->Initialize(&second), first.count(),
                     second.count(), m.copier->Initialize(&second), second.count()}),
              "0,0,1,2,0,2");
    EXPECT_EQ(host(), &second);
    EXPECT_EQ(Codes({m.copier->Initialize(nullptr), second.count()}), "0,1");
  }
  EXPECT_EQ((Counts{first.count(), second.count()}), (Counts{1, 1}));
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
