// The public host helper's references: ComPtr's transfers take and give
// back exactly the references their names promise; ComObject and
// OwnerHeldComObject answer QueryInterface from a table or by default, keep
// one count for every interface (also changed from several threads at
// once) and have two lifetimes. Counted on objects written by hand, the way
// a foreign host writes them.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"

namespace quenloft {
namespace {

// Counts what is done to it; starts with the test's own reference and
// answers IID_ITplResolver with itself. With `liar` set it refuses every ID
// but leaves itself in *out.
struct CountingUnknown : ITplUnknown {
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr) return TPL_E_INVALIDARG;
    *out = liar ? this : nullptr;
    if (liar || iid != IID_ITplResolver) return TPL_E_NOTIMPL;
    AddRef();
    *out = static_cast<ITplUnknown*>(this);
    return TPL_S_OK;
  }
  int32_t QL_CALL AddRef() override { return ++add_refs, ++count; }
  int32_t QL_CALL Release() override { return ++releases, --count; }

  int32_t count = 1;
  int add_refs = 0, releases = 0;
  bool liar = false;
};

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

struct Tally {
  int destroyed = 0;
};

// A ComObject probe's operations of ITplResolverSet, ITplResolver and
// ITplFileSource, doing nothing; its destruction is counted in a Tally.
template <class Base>
struct Stubs : Base {
  explicit Stubs(Tally* tally, int32_t count = 0) : Base(count), tally(tally) {}
  ~Stubs() override { ++tally->destroyed; }
  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Initialize(const char*) override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL SetManager(ITplManager*) override { return 0; }
  int32_t QL_CALL SetHostPath(const char*) override { return 0; }
  int32_t QL_CALL SetHostParam(const char*) override { return 0; }
  int32_t QL_CALL Reserved(int32_t) override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString*, int32_t*) override { return 1; }
  int32_t QL_CALL GetNextName(ICvoString*, int32_t*) override { return 1; }
  int32_t QL_CALL GetSourcePath(ICvoString*, const char*) override { return 1; }
  int32_t QL_CALL OnNameConflict(const char*) override { return 0; }
  int32_t QL_CALL Resolve(ITplMacroCall*) override { return 1; }
  int32_t Count() const { return this->RefCount(); }
  Tally* tally;
};

// A table with entries that must never be reached (the second
// ITplResolver and ITplVariables rows), one made on request and one whose
// getter throws.
template <template <class, class, class...> class Counted, int32_t kNullOut>
struct TableProbe final
    : Stubs<Counted<TableProbe<Counted, kNullOut>, ITplResolverSet, ITplResolver, ITplFileSource>> {
  using Stubs<Counted<TableProbe, ITplResolverSet, ITplResolver, ITplFileSource>>::Stubs;
  static constexpr int32_t kNullOutResult = kNullOut;
  static QITable InterfaceTable() {
    static const QIEntry kTable[] = {
        {&IID_ITplResolverSet, &InterfaceOf<TableProbe, ITplResolverSet>},
        {&IID_ITplResolver, &InterfaceOf<TableProbe, ITplResolver>},
        {&IID_ITplResolver, &InterfaceOf<TableProbe, ITplResolverSet>},
        {&IID_ITplVariables, [](void* self) { return static_cast<TableProbe*>(self)->extra; }},
        {&IID_ITplVariables, &InterfaceOf<TableProbe, ITplResolverSet>},
        {&IID_ITplMacroCall, [](void*) -> ITplUnknown* { throw std::bad_alloc(); }},
    };
    return kTable;
  }
  ITplUnknown* extra = nullptr;  // handed out for ITplVariables; null: cannot be made
};
using SelfOwnedProbe = TableProbe<ComObject, TPL_E_INVALIDARG>;
using OwnerHeldProbe = TableProbe<OwnerHeldComObject, 1>;

// Declares nothing: every default. ITplFileSource has no ID to answer.
struct DefaultProbe final
    : Stubs<ComObject<DefaultProbe, ITplResolverSet, ITplFileSource, ITplResolver>> {
  using Stubs<ComObject<DefaultProbe, ITplResolverSet, ITplFileSource, ITplResolver>>::Stubs;
};

// IID_ITplResolver but for the last byte.
constexpr TplIID kNearResolverIID = {
    0x4E549F44, 0xFEE1, 0x11D4, {0x94, 0xB2, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB1}};

TEST(ComObject, QueryAnswersTheFirstMatchingEntry) {
  enum Answer { kNothing, kSet, kResolver, kExtra };
  const struct {
    const char* name;
    const TplIID* iid;
    bool extra_available;  // whether the made-on-request object can be made
    Answer answer;
  } kCases[] = {
      {"primary ID", &IID_ITplResolverSet, false, kSet},
      {"second ID", &IID_ITplResolver, false, kResolver},
      {"made on request", &IID_ITplVariables, true, kExtra},
      {"creation fails without falling through", &IID_ITplVariables, false, kNothing},
      {"creation throws", &IID_ITplMacroCall, false, kNothing},
      {"unknown ID", &IID_ITplManager, false, kNothing},
      {"near miss", &kNearResolverIID, false, kNothing},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Tally tally;
    CountingUnknown extra;
    auto* probe = new SelfOwnedProbe(&tally, 1);
    if (c.extra_available) probe->extra = &extra;
    void* out = reinterpret_cast<void*>(0x10);
    const int32_t code = static_cast<ITplResolver*>(probe)->QueryInterface(*c.iid, &out);
    void* const expected[] = {nullptr, static_cast<ITplResolverSet*>(probe),
                              static_cast<ITplResolver*>(probe), static_cast<ITplUnknown*>(&extra)};
    EXPECT_EQ(code, c.answer == kNothing ? TPL_E_NOTIMPL : TPL_S_OK);
    EXPECT_EQ(out, expected[c.answer]);
    // The reference goes to the object handed out, not to the asker.
    EXPECT_EQ(probe->Count(), c.answer == kSet || c.answer == kResolver ? 2 : 1);
    EXPECT_EQ(extra.count, c.answer == kExtra ? 2 : 1);
    if (out != nullptr) static_cast<ITplUnknown*>(out)->Release();
    EXPECT_EQ(static_cast<ITplResolverSet*>(probe)->Release(), 0);
    EXPECT_EQ(tally.destroyed, 1);
  }
}

TEST(ComObject, DefaultTableAnswersEachListedInterfaceWithAnId) {
  Tally tally;
  const ComPtr<DefaultProbe> probe = MakeObject<DefaultProbe>(&tally);
  EXPECT_EQ(probe.query<ITplResolver>().get(), static_cast<ITplResolver*>(probe.get()));
  EXPECT_EQ(probe.query<ITplResolverSet>().get(), static_cast<ITplResolverSet*>(probe.get()));
  EXPECT_FALSE(probe.query<ITplVariables>());
  EXPECT_FALSE(probe.query<ITplUnknown>(kNearResolverIID));
  EXPECT_EQ(probe->Count(), 1);
}

TEST(ComObject, NullOutPointerGivesTheObjectsOwnCodeAndWritesNothing) {
  Tally tally;
  OwnerHeldProbe owner_held(&tally);
  SelfOwnedProbe self_owned(&tally);  // never counted, so never deleted
  DefaultProbe by_default(&tally);
  ITplResolver* const probes[] = {&owner_held, &self_owned, &by_default};
  const int32_t codes[] = {1, TPL_E_INVALIDARG, TPL_E_INVALIDARG};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(probes[i]->QueryInterface(IID_ITplResolver, nullptr), codes[i]) << i;
  }
}

TEST(ComObject, OwnerHeldObjectOutlivesCountZeroUntilItsOwnerEndsIt) {
  Tally tally;
  auto owner_held = std::make_unique<OwnerHeldProbe>(&tally);
  ITplResolver* const resolver = owner_held.get();
  EXPECT_EQ(resolver->AddRef(), 1);
  EXPECT_EQ(static_cast<ITplResolverSet*>(owner_held.get())->AddRef(), 2);  // one count
  EXPECT_EQ(resolver->Release(), 1);
  EXPECT_EQ(resolver->Release(), 0);
  // Still usable: asked through its owner it answers as before.
  EXPECT_EQ(ComPtr<ITplResolverSet>::retain(owner_held.get()).query<ITplResolver>().get(),
            resolver);
  EXPECT_EQ(tally.destroyed, 0);
  owner_held.reset();
  EXPECT_EQ(tally.destroyed, 1);
}

TEST(ComObjectThreads, CountStaysExactAndTheLastReleaseDestroysOnce) {
  constexpr int kThreads = 4;
  Tally tally;
  auto* shared = new SelfOwnedProbe(&tally, 1);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    // Half the threads go through the second interface: one shared count.
    ITplUnknown* face = t % 2 == 0
                            ? static_cast<ITplUnknown*>(static_cast<ITplResolverSet*>(shared))
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
