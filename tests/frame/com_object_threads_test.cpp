// Reference counts changed from several threads at once: the count stays
// exact and the object is destroyed once, by the last Release.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "probe_object.h"

namespace quenloft {
namespace {

using testing::SelfOwnedProbe;
using testing::Tally;

TEST(ComObjectThreads, ConcurrentAddRefAndReleaseKeepTheCountExact) {
  constexpr int kThreads = 4;
  Tally tally;
  auto* probe = new SelfOwnedProbe(&tally);
  probe->AsSet()->AddRef();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    // Half the threads go through the second interface: one shared count.
    ITplUnknown* face = (t % 2 == 0) ? static_cast<ITplUnknown*>(probe->AsSet())
                                     : static_cast<ITplUnknown*>(probe->AsResolver());
    face->AddRef();
    threads.emplace_back([face] {
      for (int i = 0; i < 20000; ++i) {
        face->AddRef();
        face->Release();
      }
      face->Release();
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(tally.destroyed, 0);
  EXPECT_EQ(probe->Count(), 1);
  EXPECT_EQ(probe->AsSet()->Release(), 0);
  EXPECT_EQ(tally.destroyed, 1);
}

TEST(ComObjectThreads, LastReleaseOnAnotherThreadDestroysOnce) {
  constexpr int kThreads = 4;
  Tally tally;
  auto* probe = new SelfOwnedProbe(&tally);
  for (int t = 0; t < kThreads; ++t) probe->AsSet()->AddRef();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back([probe] { probe->AsResolver()->Release(); });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(tally.destroyed, 1);
}

}  // namespace
}  // namespace quenloft
