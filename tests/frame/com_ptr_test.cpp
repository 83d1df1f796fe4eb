// ComPtr: every ownership transfer takes and gives back exactly the
// references its name promises.
#include "frame/com_ptr.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "probe_object.h"

namespace quenloft {
namespace {

using testing::CountingUnknown;
using Ptr = ComPtr<ITplUnknown>;

// A raw pointer never converts silently: the caller has to say whether a
// reference is adopted or retained.
static_assert(!std::is_constructible_v<Ptr, ITplUnknown*>);
static_assert(!std::is_assignable_v<Ptr&, ITplUnknown*>);
static_assert(std::is_nothrow_move_assignable_v<Ptr>);

TEST(ComPtr, TransfersTakeAndGiveBackTheNamedReferences) {
  CountingUnknown o;  // holds the test's own reference
  o.AddRef();  // what an operation that hands out a reference does
  {
    Ptr adopted = Ptr::Adopt(&o);
    EXPECT_EQ(o.count, 2);
  }
  EXPECT_EQ(o.count, 1);
  {
    Ptr a = Ptr::Retain(&o);
    Ptr b = Ptr::Retain(&o);
    EXPECT_EQ(o.count, 3);
    b = a;  // releases the old target
    EXPECT_EQ(o.count, 3);
    Ptr& alias = a;
    a = alias;
    EXPECT_EQ(o.count, 3);
    EXPECT_EQ(a.get(), &o);
    b = std::move(a);
    EXPECT_EQ(o.count, 2);
    EXPECT_EQ(a.get(), nullptr);  // NOLINT(bugprone-use-after-move)
    b.reset();
    b.reset();
    EXPECT_EQ(o.count, 1);
  }
  EXPECT_EQ(o.count, 1);
  EXPECT_EQ(o.add_refs, o.releases);
}

TEST(ComPtr, OutSlotsAndQueries) {
  CountingUnknown o;
  {
    Ptr a = Ptr::Retain(&o);
    ITplUnknown** slot = a.put();  // releases the old reference
    EXPECT_EQ(*slot, nullptr);
    EXPECT_EQ(o.count, 1);
    ASSERT_EQ(o.QueryInterface(IID_ITplResolver, a.put_void()), TPL_S_OK);
    EXPECT_EQ(a.get(), &o);

    ITplUnknown* out = nullptr;
    a.CopyTo(&out);
    EXPECT_EQ(out, &o);
    EXPECT_EQ(o.count, 3);
    Ptr copy = Ptr::Adopt(out);

    Ptr q = a.query<ITplUnknown>(IID_ITplResolver);
    EXPECT_EQ(q.get(), &o);
    EXPECT_EQ(o.count, 4);
    EXPECT_FALSE(a.query<ITplUnknown>(IID_ITplManager));
    EXPECT_EQ(o.count, 4);

    ITplUnknown* raw = q.detach();
    EXPECT_FALSE(q);
    EXPECT_EQ(o.count, 4);
    raw->Release();
  }
  EXPECT_EQ(o.count, 1);
  EXPECT_EQ(o.add_refs, o.releases);

  Ptr empty;
  EXPECT_FALSE(empty.query<ITplUnknown>(IID_ITplResolver));
  ITplUnknown* out = reinterpret_cast<ITplUnknown*>(0x1);  // must be overwritten
  empty.CopyTo(&out);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace quenloft
