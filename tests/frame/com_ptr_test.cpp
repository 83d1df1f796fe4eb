// ComPtr: every ownership transfer takes and gives back exactly the
// references its name promises.
#include "frame/com_ptr.h"

#include <gtest/gtest.h>

#include <ostream>
#include <type_traits>
#include <utility>

#include "counting_unknown.h"

namespace quenloft {
namespace {

using testing::CountingUnknown;
using Ptr = ComPtr<ITplUnknown>;

// A raw pointer never converts silently: the caller has to say whether a
// reference is adopted or retained.
static_assert(!std::is_constructible_v<Ptr, ITplUnknown*>);
static_assert(!std::is_assignable_v<Ptr&, ITplUnknown*>);
static_assert(std::is_nothrow_move_constructible_v<Ptr>);
static_assert(std::is_nothrow_move_assignable_v<Ptr>);

struct TransferCase {
  const char* name;
  // Runs the transfer on an object that holds the test's own reference and
  // returns its count while the ComPtrs of the case are still alive.
  int32_t (*act)(CountingUnknown& object);
  int32_t count_inside;
  int add_refs;  // in total, once every ComPtr of the case is gone
  int releases;
};

void PrintTo(const TransferCase& c, std::ostream* os) { *os << c.name; }

const TransferCase kTransfers[] = {
    {"Adopt takes over a reference without AddRef",
     [](CountingUnknown& o) {
       Ptr p = Ptr::Adopt(&o);
       return o.count;
     },
     1, 0, 1},
    {"Retain adds one reference",
     [](CountingUnknown& o) {
       Ptr p = Ptr::Retain(&o);
       return o.count;
     },
     2, 1, 1},
    {"Adopt and Retain of null touch nothing",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Adopt(nullptr);
       Ptr r = Ptr::Retain(nullptr);
       EXPECT_FALSE(a);
       EXPECT_FALSE(r);
       return o.count;
     },
     1, 0, 0},
    {"copy construction adds one",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       Ptr b(a);
       EXPECT_EQ(a.get(), b.get());
       return o.count;
     },
     3, 2, 2},
    {"copy assignment releases the old target",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       Ptr b = Ptr::Retain(&o);
       b = a;
       return o.count;
     },
     3, 3, 3},
    {"self copy assignment keeps the count",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       Ptr& alias = a;
       a = alias;
       EXPECT_EQ(a.get(), &o);
       return o.count;
     },
     2, 2, 2},
    {"move construction moves the reference",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       Ptr b(std::move(a));
       EXPECT_EQ(a.get(), nullptr);  // NOLINT(bugprone-use-after-move)
       EXPECT_EQ(b.get(), &o);
       return o.count;
     },
     2, 1, 1},
    {"move assignment releases the old target",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       Ptr b = Ptr::Retain(&o);
       b = std::move(a);
       return o.count;
     },
     2, 2, 2},
    {"assigning null releases",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       a = nullptr;
       EXPECT_FALSE(a);
       return o.count;
     },
     1, 1, 1},
    {"reset releases",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       a.reset();
       a.reset();  // a second reset has nothing to release
       return o.count;
     },
     1, 1, 1},
    {"put releases the old reference and receives a new one",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       ITplUnknown** slot = a.put();
       EXPECT_EQ(*slot, nullptr);
       EXPECT_EQ(o.count, 1);
       // What an operation that hands out a reference does.
       o.AddRef();
       *slot = &o;
       return o.count;
     },
     2, 2, 2},
    {"detach gives the reference away",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       ITplUnknown* raw = a.detach();
       EXPECT_EQ(raw, &o);
       EXPECT_FALSE(a);
       const int32_t inside = o.count;
       Ptr back = Ptr::Adopt(raw);
       return inside;
     },
     2, 1, 1},
    {"CopyTo hands out a new reference",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       ITplUnknown* out = nullptr;
       a.CopyTo(&out);
       EXPECT_EQ(out, &o);
       const int32_t inside = o.count;
       Ptr back = Ptr::Adopt(out);
       return inside;
     },
     3, 2, 2},
    {"swap exchanges without counting",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       Ptr b;
       a.swap(b);
       EXPECT_FALSE(a);
       EXPECT_EQ(b.get(), &o);
       return o.count;
     },
     2, 1, 1},
    {"query hands out a new reference on success",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       Ptr q = a.query<ITplUnknown>(IID_ITplResolver);
       EXPECT_EQ(q.get(), &o);
       EXPECT_EQ(o.queries, 1);
       return o.count;
     },
     3, 2, 2},
    {"query answers null for an unknown ID",
     [](CountingUnknown& o) {
       Ptr a = Ptr::Retain(&o);
       Ptr q = a.query<ITplUnknown>(IID_ITplManager);
       EXPECT_FALSE(q);
       EXPECT_EQ(o.queries, 1);
       return o.count;
     },
     2, 1, 1},
};

class ComPtrTransfer : public ::testing::TestWithParam<TransferCase> {};

TEST_P(ComPtrTransfer, TakesAndGivesBackTheNamedReferences) {
  const TransferCase& c = GetParam();
  CountingUnknown object;
  EXPECT_EQ(c.act(object), c.count_inside);
  EXPECT_EQ(object.add_refs, c.add_refs);
  EXPECT_EQ(object.releases, c.releases);
  EXPECT_EQ(object.count, 1 + c.add_refs - c.releases);
}

INSTANTIATE_TEST_SUITE_P(Transfers, ComPtrTransfer, ::testing::ValuesIn(kTransfers),
                         [](const ::testing::TestParamInfo<TransferCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p != '\0'; ++p) {
                             const char ch = *p;
                             const bool word = (ch >= 'a' && ch <= 'z') ||
                                               (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
                             name += word ? ch : '_';
                           }
                           return name;
                         });

TEST(ComPtr, EmptyPointerQueriesNothingAndCopiesNull) {
  Ptr empty;
  EXPECT_FALSE(empty.query<ITplUnknown>(IID_ITplResolver));
  ITplUnknown* out = reinterpret_cast<ITplUnknown*>(0x1);  // must be overwritten
  empty.CopyTo(&out);
  EXPECT_EQ(out, nullptr);
}

TEST(ComPtr, PutVoidIsTheSameSlot) {
  CountingUnknown object;
  Ptr a = Ptr::Retain(&object);
  void** slot = a.put_void();
  EXPECT_EQ(object.count, 1);
  ASSERT_EQ(object.QueryInterface(IID_ITplResolver, slot), TPL_S_OK);
  EXPECT_EQ(a.get(), &object);
  a.reset();
  EXPECT_EQ(object.count, 1);
}

}  // namespace
}  // namespace quenloft
