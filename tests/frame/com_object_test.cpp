// ComObject: table-driven QueryInterface, one shared count and the two
// lifetimes.
#include "frame/com_object.h"

#include <gtest/gtest.h>

#include <memory>

#include "probe_object.h"

namespace quenloft {
namespace {

using testing::CountingUnknown;
using testing::OwnerHeldProbe;
using testing::SelfOwnedProbe;
using testing::Tally;

enum class Answer { kNothing, kSet, kResolver, kExtra };

TEST(ComObject, QueryAnswersTheFirstMatchingEntry) {
  struct {
    const char* name;
    const TplIID* iid;
    bool extra_available;  // whether the made-on-request object can be made
    Answer answer;
  } const cases[] = {
      {"primary ID", &IID_ITplResolverSet, false, Answer::kSet},
      {"second ID", &IID_ITplResolver, false, Answer::kResolver},
      {"made on request", &IID_ITplVariables, true, Answer::kExtra},
      {"creation fails without falling through", &IID_ITplVariables, false, Answer::kNothing},
      {"creation throws", &IID_ITplMacroCall, false, Answer::kNothing},
      {"unknown ID", &IID_ITplManager, false, Answer::kNothing},
      {"all-zero ID", &testing::kZeroIID, false, Answer::kNothing},
      {"near miss", &testing::kNearResolverIID, false, Answer::kNothing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tally tally;
    CountingUnknown extra;
    auto* probe = new SelfOwnedProbe(&tally);
    if (c.extra_available) probe->extra = &extra;
    probe->AsSet()->AddRef();
    void* out = reinterpret_cast<void*>(0x10);
    const int32_t code = probe->AsResolver()->QueryInterface(*c.iid, &out);
    void* const expected[] = {nullptr, probe->AsSet(), probe->AsResolver(),
                              static_cast<ITplUnknown*>(&extra)};
    EXPECT_EQ(code, c.answer == Answer::kNothing ? TPL_E_NOTIMPL : TPL_S_OK);
    EXPECT_EQ(out, expected[static_cast<int>(c.answer)]);
    // The reference goes to the object handed out, not to the asker.
    const bool probe_answered = c.answer == Answer::kSet || c.answer == Answer::kResolver;
    EXPECT_EQ(probe->Count(), probe_answered ? 2 : 1);
    EXPECT_EQ(extra.count, c.answer == Answer::kExtra ? 2 : 1);
    if (out != nullptr) static_cast<ITplUnknown*>(out)->Release();
    EXPECT_EQ(probe->AsSet()->Release(), 0);
    EXPECT_EQ(tally.destroyed, 1);
  }
}

template <class P>
int32_t AskWithNullOut() {
  Tally tally;
  auto* probe = new P(&tally);
  probe->AsSet()->AddRef();
  const int32_t code = probe->AsResolver()->QueryInterface(IID_ITplResolver, nullptr);
  EXPECT_EQ(probe->AsSet()->Release(), 0);
  if constexpr (P::kLifetime == Lifetime::kOwnerHeld) delete probe;
  EXPECT_EQ(tally.destroyed, 1);
  return code;
}

TEST(ComObject, NullOutPointerAnswersTheObjectsOwnCode) {
  EXPECT_EQ(AskWithNullOut<OwnerHeldProbe>(), 1);
  EXPECT_EQ(AskWithNullOut<SelfOwnedProbe>(), TPL_E_INVALIDARG);
  EXPECT_EQ(AskWithNullOut<testing::ManagerLikeProbe>(), TPL_E_NOTIMPL);
}

TEST(ComObject, OwnerHeldObjectSurvivesCountZero) {
  Tally tally;
  auto probe = std::make_unique<OwnerHeldProbe>(&tally);
  EXPECT_EQ(probe->Count(), 0);
  EXPECT_EQ(probe->AsResolver()->AddRef(), 1);
  EXPECT_EQ(probe->AsResolver()->Release(), 0);
  EXPECT_EQ(tally.destroyed, 0);
  void* out = nullptr;  // still usable through its owner
  EXPECT_EQ(probe->AsSet()->QueryInterface(IID_ITplResolver, &out), TPL_S_OK);
  EXPECT_EQ(out, static_cast<void*>(probe->AsResolver()));
  EXPECT_EQ(probe->AsResolver()->Release(), 0);
  probe.reset();
  EXPECT_EQ(tally.destroyed, 1);
}

}  // namespace
}  // namespace quenloft
