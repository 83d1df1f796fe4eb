// Counts and lifetimes: every reference the manager takes on a host's
// objects is given back by Terminate or, at the latest, when it ends.
#include <gtest/gtest.h>

#include "host_fakes.h"
#include "support/manager_session.h"

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
      EXPECT_EQ(host.count(), 2);
      EXPECT_EQ(m.manager->AddFileSource(&pages), 0);
      EXPECT_EQ(m.manager->AddFileSource(&images), 0);
      EXPECT_EQ(pages.count(), 1 + 3);  // one per distinct file
      EXPECT_EQ(images.count(), 1 + 1);
      EXPECT_EQ(m.manager->AddResolver(&functions), 0);
      EXPECT_EQ(m.services->RegisterName("Single", &single), 0);
      EXPECT_EQ(functions.count(), 1 + 2);  // one per name
      EXPECT_EQ(single.count(), 1 + 1);
      if (terminate) {
        EXPECT_EQ(m.copier->Terminate(), 0);
      }
    }
    for (int32_t left : {host.count(), pages.count(), images.count(), functions.count(),
                         single.count()}) {
      EXPECT_EQ(left, 1);
    }
  }
}

TEST(ManagerHost, TerminateGivesTheHostBackAndForgetsIt) {
  RecordingHost host;
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.copier);
  Ref<ITplHostCallback> got;
  EXPECT_EQ(m.manager->GetHost(got.put()), 0);
  EXPECT_FALSE(got) << "no host before Initialize";

  ASSERT_EQ(m.copier->Initialize(&host), 0);
  EXPECT_EQ(m.manager->GetHost(got.put()), 0);
  EXPECT_EQ(got.get(), &host);
  EXPECT_EQ(host.count(), 3);  // the test's, the manager's, got's
  got.reset();
  EXPECT_EQ(m.manager->GetHost(nullptr), 0);

  EXPECT_EQ(m.copier->Terminate(), 0);
  EXPECT_EQ(host.count(), 1);
  EXPECT_EQ(m.manager->GetHost(got.put()), 0);
  EXPECT_FALSE(got) << "no host after Terminate";
}

TEST(ManagerHost, ASecondInitializeGivesTheFirstHostBack) {
  RecordingHost first, second;
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.copier);
    ASSERT_EQ(m.copier->Initialize(&first), 0);
    ASSERT_EQ(m.copier->Initialize(&second), 0);
    EXPECT_EQ(first.count(), 1);
    EXPECT_EQ(second.count(), 2);
    ASSERT_EQ(m.copier->Initialize(&second), 0);
    EXPECT_EQ(second.count(), 2) << "the same host again holds one reference";
    ASSERT_EQ(m.copier->Initialize(nullptr), 0);
    EXPECT_EQ(second.count(), 1);
  }
  EXPECT_EQ(first.count(), 1);
  EXPECT_EQ(second.count(), 1);
}

TEST(ManagerHost, RestartAfterTerminateStillResolvesSystemValues) {
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  ASSERT_EQ(s.copier->Terminate(), 0);
  ASSERT_EQ(s.copier->Initialize(&s.host), 0);
  EXPECT_EQ(s.manager->SetSystemValue("System.Title", "Again"), 0);
  Ref<ICvoString> out = NewText();
  EXPECT_EQ(s.manager->ResolveMacroText("System.Title", out.get()), 0);
  EXPECT_EQ(TextOf(out.get()), "Again");
}

}  // namespace
}  // namespace quenloft::testing
