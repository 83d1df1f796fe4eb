// Counts and lifetimes: every reference the manager takes on a host's
// objects is given back by Terminate or, at the latest, when it ends.
#include <gtest/gtest.h>

#include <vector>

#include "host_fakes.h"

namespace quenloft::testing {
namespace {

TEST(ManagerLifetime, EveryHostObjectGetsItsReferencesBack) {
  for (const bool terminate : {true, false}) {
    SCOPED_TRACE(terminate ? "Terminate, then release" : "release only");
    RecordingHost host;
    FakeSource pages({"index.htm", "sub/page.htm", "SUB\\Page.HTM", "style.css"});
    FakeSource images({"logo.gif"});
    FakeResolver functions({"Concat", "Replace"});
    FakeResolver single;
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
      if (terminate) {
        EXPECT_EQ(m.copier->Terminate(), 0);
      }
    }
    EXPECT_EQ((Counts{host.count(), pages.count(), images.count(), functions.count(),
                      single.count()}),
              (Counts{1, 1, 1, 1, 1}));
  }
}

// Terminate and a later Initialize give the earlier host back and forget it.
TEST(ManagerHost, EachHostHoldsOneReferenceUntilReplacedOrTerminated) {
  RecordingHost first, second;
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.copier);
    Ref<ITplHostCallback> got;
    EXPECT_EQ(m.manager->GetHost(got.put()), 0);
    EXPECT_FALSE(got) << "no host before Initialize";
    ASSERT_EQ(m.copier->Initialize(&first), 0);
    EXPECT_EQ(m.manager->GetHost(got.put()), 0);
    EXPECT_EQ(got.get(), &first);
    EXPECT_EQ(first.count(), 3);  // the test's, the manager's, got's
    got.reset();
    EXPECT_EQ(m.manager->GetHost(nullptr), 0);
    EXPECT_EQ(m.copier->Terminate(), 0);
    EXPECT_EQ(first.count(), 1);
    EXPECT_EQ(m.manager->GetHost(got.put()), 0);
    EXPECT_FALSE(got) << "no host after Terminate";

    ASSERT_EQ(m.copier->Initialize(&first), 0);
    ASSERT_EQ(m.copier->Initialize(&second), 0);
    EXPECT_EQ((Counts{first.count(), second.count()}), (Counts{1, 2}));
    ASSERT_EQ(m.copier->Initialize(&second), 0);
    EXPECT_EQ(second.count(), 2) << "the same host again holds one reference";
    ASSERT_EQ(m.copier->Initialize(nullptr), 0);
    EXPECT_EQ(second.count(), 1);
  }
  EXPECT_EQ((Counts{first.count(), second.count()}), (Counts{1, 1}));
}

}  // namespace
}  // namespace quenloft::testing
