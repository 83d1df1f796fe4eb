// Reference counts changed from several threads at once: the count stays
// exact and the object is destroyed once, by the last Release.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "counting_fakes.h"

namespace quenloft {
namespace {

using testing::Stubs;
using testing::Tally;

struct Shared final : Stubs<ComObject<Shared, ITplResolverSet, ITplResolver, ITplFileSource>> {
  using Stubs<ComObject<Shared, ITplResolverSet, ITplResolver, ITplFileSource>>::Stubs;
};

TEST(ComObjectThreads, CountStaysExactAndTheLastReleaseDestroysOnce) {
  constexpr int kThreads = 4;
  Tally tally;
  auto* shared = new Shared(&tally, 1);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    // Half the threads go through the second interface: one shared count.
    ITplUnknown* face = t % 2 == 0 ? static_cast<ITplUnknown*>(static_cast<ITplResolverSet*>(shared))
                                   : static_cast<ITplUnknown*>(static_cast<ITplResolver*>(shared));
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
  EXPECT_EQ(shared->Count(), 1);

  // The last references go on other threads, all at once.
  for (int t = 1; t < kThreads; ++t) static_cast<ITplResolver*>(shared)->AddRef();
  threads.clear();
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([shared] { static_cast<ITplResolverSet*>(shared)->Release(); });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(tally.destroyed, 1);
}

}  // namespace
}  // namespace quenloft
