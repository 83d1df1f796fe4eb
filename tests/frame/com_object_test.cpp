// ComObject: table-driven QueryInterface, one shared count and the two
// lifetimes.
#include "frame/com_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "counting_unknown.h"
#include "probe_object.h"

namespace quenloft {
namespace {

using testing::CountingUnknown;
using testing::kNearResolverIID;
using testing::kZeroIID;
using testing::OwnerHeldProbe;
using testing::SelfOwnedProbe;
using testing::Tally;

ITplUnknown* const kGarbage = reinterpret_cast<ITplUnknown*>(0x10);

enum class Answer { kSet, kResolver, kExtra, kNothing };

struct QueryCase {
  const char* name;
  const TplIID* iid;
  bool extra_available;  // whether the made-on-request object can be made
  Answer answer;
};

void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.name; }

const QueryCase kQueries[] = {
    {"PrimaryId", &IID_ITplResolverSet, false, Answer::kSet},
    {"SecondId", &IID_ITplResolver, false, Answer::kResolver},
    {"MadeOnRequest", &IID_ITplVariables, true, Answer::kExtra},
    {"CreationFailsWithoutFallingThrough", &IID_ITplVariables, false, Answer::kNothing},
    {"CreationThrows", &IID_ITplMacroCall, false, Answer::kNothing},
    {"UnknownId", &IID_ITplManager, false, Answer::kNothing},
    {"AllZeroBaseId", &kZeroIID, false, Answer::kNothing},
    {"NearMiss", &kNearResolverIID, false, Answer::kNothing},
};

class ComObjectQuery : public ::testing::TestWithParam<QueryCase> {};

TEST_P(ComObjectQuery, AnswersTheFirstMatchingEntry) {
  const QueryCase& c = GetParam();
  Tally tally;
  CountingUnknown extra;
  auto* probe = new SelfOwnedProbe(&tally);
  if (c.extra_available) probe->extra = &extra;
  probe->AsSet()->AddRef();

  void* out = kGarbage;
  const int32_t code = probe->AsResolver()->QueryInterface(*c.iid, &out);

  switch (c.answer) {
    case Answer::kSet:
      EXPECT_EQ(code, TPL_S_OK);
      EXPECT_EQ(out, static_cast<void*>(probe->AsSet()));
      EXPECT_EQ(probe->Count(), 2);
      break;
    case Answer::kResolver:
      EXPECT_EQ(code, TPL_S_OK);
      EXPECT_EQ(out, static_cast<void*>(probe->AsResolver()));
      EXPECT_EQ(probe->Count(), 2);
      break;
    case Answer::kExtra:
      // The reference goes to the object handed out, not to the asker.
      EXPECT_EQ(code, TPL_S_OK);
      EXPECT_EQ(out, static_cast<void*>(static_cast<ITplUnknown*>(&extra)));
      EXPECT_EQ(extra.count, 2);
      EXPECT_EQ(probe->Count(), 1);
      break;
    case Answer::kNothing:
      EXPECT_EQ(code, TPL_E_NOTIMPL);
      EXPECT_EQ(out, nullptr);
      EXPECT_EQ(probe->Count(), 1);
      EXPECT_EQ(extra.count, 1);
      break;
  }
  if (c.answer == Answer::kSet || c.answer == Answer::kResolver) {
    static_cast<ITplUnknown*>(out)->Release();
  } else if (c.answer == Answer::kExtra) {
    extra.Release();
  }
  EXPECT_EQ(probe->AsSet()->Release(), 0);
  EXPECT_EQ(tally.destroyed, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, ComObjectQuery, ::testing::ValuesIn(kQueries),
                         [](const auto& info) { return std::string(info.param.name); });

struct NullOutCase {
  const char* name;
  int32_t (*ask)(Tally* tally);  // QueryInterface with a null out-pointer
  int32_t expected;
};

void PrintTo(const NullOutCase& c, std::ostream* os) { *os << c.name; }

template <class P>
int32_t AskWithNullOut(Tally* tally) {
  auto* probe = new P(tally);
  probe->AsSet()->AddRef();
  const int32_t code = probe->AsResolver()->QueryInterface(IID_ITplResolver, nullptr);
  EXPECT_EQ(probe->Count(), 1);
  EXPECT_EQ(probe->AsSet()->Release(), 0);
  if constexpr (P::kLifetime == Lifetime::kOwnerHeld) delete probe;
  return code;
}

const NullOutCase kNullOuts[] = {
    {"Resolver", &AskWithNullOut<OwnerHeldProbe>, 1},
    {"SelfOwned", &AskWithNullOut<SelfOwnedProbe>, TPL_E_INVALIDARG},
    {"ManagerLike", &AskWithNullOut<testing::ManagerLikeProbe>, TPL_E_NOTIMPL},
};

class ComObjectNullOut : public ::testing::TestWithParam<NullOutCase> {};

TEST_P(ComObjectNullOut, AnswersTheObjectsOwnCode) {
  Tally tally;
  EXPECT_EQ(GetParam().ask(&tally), GetParam().expected);
  EXPECT_EQ(tally.destroyed, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, ComObjectNullOut, ::testing::ValuesIn(kNullOuts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ComObject, CountsAreSharedAcrossInterfaces) {
  Tally tally;
  auto* probe = new SelfOwnedProbe(&tally);
  EXPECT_EQ(probe->Count(), 0);  // whoever hands it out takes the first reference
  EXPECT_EQ(probe->AsSet()->AddRef(), 1);
  EXPECT_EQ(probe->AsResolver()->AddRef(), 2);
  EXPECT_EQ(probe->AsSet()->Release(), 1);
  EXPECT_EQ(tally.destroyed, 0);
  EXPECT_EQ(probe->AsResolver()->Release(), 0);
  EXPECT_EQ(tally.destroyed, 1);
}

TEST(ComObject, OwnerHeldObjectSurvivesCountZero) {
  Tally tally;
  auto probe = std::make_unique<OwnerHeldProbe>(&tally);
  EXPECT_EQ(probe->AsResolver()->AddRef(), 1);
  EXPECT_EQ(probe->AsResolver()->Release(), 0);
  EXPECT_EQ(tally.destroyed, 0);
  // Still usable through its owner.
  void* out = nullptr;
  EXPECT_EQ(probe->AsSet()->QueryInterface(IID_ITplResolver, &out), TPL_S_OK);
  EXPECT_EQ(out, static_cast<void*>(probe->AsResolver()));
  EXPECT_EQ(probe->AsResolver()->Release(), 0);
  probe.reset();
  EXPECT_EQ(tally.destroyed, 1);
}

}  // namespace
}  // namespace quenloft
