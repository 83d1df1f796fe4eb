// ComPtr: every transfer takes and gives back exactly the references its
// name promises, counted on an object written by hand.
#include "quenloft/com_ptr.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "counting_unknown.h"

namespace quenloft {
namespace {

using testing::CountingUnknown;
using Ptr = ComPtr<ITplUnknown>;

// A raw pointer never converts silently, and a temporary lends no slot.
template <class P, class = void>
struct PutOnTemporary : std::false_type {};
template <class P>
struct PutOnTemporary<P, std::void_t<decltype(std::declval<P>().put())>> : std::true_type {};
static_assert(!std::is_constructible_v<Ptr, ITplUnknown*>);
static_assert(!std::is_assignable_v<Ptr&, ITplUnknown*>);
static_assert(!PutOnTemporary<Ptr>::value);
static_assert(std::is_nothrow_move_assignable_v<Ptr>);
static_assert(std::is_convertible_v<ComPtr<CountingUnknown>, Ptr>);
static_assert(!std::is_convertible_v<Ptr, ComPtr<CountingUnknown>>);

TEST(ComPtr, EachTransferTakesTheReferencesItNames) {
  const struct {
    const char* name;
    Ptr (*step)(CountingUnknown& o);  // the fake starts with the test's reference
    int32_t count;                    // while the result lives
  } kCases[] = {
      {"adopt", [](CountingUnknown& o) { return o.AddRef(), Ptr::adopt(&o); }, 2},
      {"retain", [](CountingUnknown& o) { return Ptr::retain(&o); }, 2},
      {"copy", [](CountingUnknown& o) { const Ptr a = Ptr::retain(&o); return Ptr(a); }, 2},
      {"move", [](CountingUnknown& o) { Ptr a = Ptr::retain(&o); return Ptr(std::move(a)); }, 2},
      {"from a derived class",
       [](CountingUnknown& o) -> Ptr { return ComPtr<CountingUnknown>::retain(&o); }, 2},
      {"assignment over the same object", [](CountingUnknown& o) {
         Ptr a = Ptr::retain(&o), b = Ptr::retain(&o);
         return b = a, a = b, a; }, 2},
      {"null assigned", [](CountingUnknown& o) { Ptr a = Ptr::retain(&o); return a = nullptr, a; }, 1},
      {"attach", [](CountingUnknown& o) {
         Ptr a = Ptr::retain(&o);
         return a.attach((o.AddRef(), &o)), a; }, 2},
      {"detach", [](CountingUnknown& o) {
         Ptr a = Ptr::retain(&o);
         return a.detach()->Release(), a; }, 1},
      {"put releases first", [](CountingUnknown& o) {
         Ptr a = Ptr::retain(&o);
         return o.QueryInterface(IID_ITplResolver, a.put_void()), a; }, 2},
      {"copy_to", [](CountingUnknown& o) {
         ITplUnknown* out = nullptr;
         Ptr::retain(&o).copy_to(&out);
         Ptr::retain(&o).copy_to(nullptr);  // ignored
         return Ptr::adopt(out); }, 2},
      {"query answered",
       [](CountingUnknown& o) { return Ptr::retain(&o).query<ITplUnknown>(IID_ITplResolver); }, 2},
      {"query refused",
       [](CountingUnknown& o) { return Ptr::retain(&o).query<ITplUnknown>(IID_ITplManager); }, 1},
      // A pointer left beside a failure code carries no reference.
      {"query refused by a liar", [](CountingUnknown& o) {
         o.liar = true;
         return Ptr::retain(&o).query<ITplUnknown>(IID_ITplResolver); }, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    CountingUnknown o;
    {
      const Ptr result = c.step(o);
      EXPECT_EQ(o.count, c.count);
      EXPECT_EQ(result.get(), c.count == 2 ? &o : nullptr);
    }
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.add_refs, o.releases);
  }
}

TEST(ComPtr, EmptyPointerAsksNothingAndHandsOutNull) {
  const Ptr empty;
  EXPECT_FALSE(empty.query<ITplUnknown>(IID_ITplResolver));
  ITplUnknown* out = reinterpret_cast<ITplUnknown*>(0x1);  // must be overwritten
  empty.copy_to(&out);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace quenloft
