// The common marker allocates nothing: patching a hundred times as many
// markers makes only the few more allocations of buffers that grow
// (counted by replacing the global operator new of this test binary). A
// file composed again gives each marker its expression on the second
// composition, and allocates nothing per marker from the third on. So do
// the built-in functions on short values, their arguments and result
// passed without string objects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "manager/manager_impl.h"
#include "quenloft/com_ptr.h"
#include "quenloft/string_object.h"
#include "resolvers/resolver_set.h"

namespace {
size_t allocations = 0;
}  // namespace

// Every form the library may use, so that all of them count and each
// pairs with its delete.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  ++allocations;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(size_t size) {
  if (void* p = operator new(size, std::nothrow)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace quenloft {
namespace {

// Allocations made by patching `markers` markers of `marker` into `out`,
// for the first and the third composition of one file.
std::pair<size_t, size_t> Count(ITplMacroServices* services, const std::string& marker, int markers,
                                ICvoString* out) {
  std::string text;
  for (int i = 0; i < markers; ++i) text += "<p>text</p>" + marker;
  ComPtr<ITplPatchedFile> file;
  services->CreatePatchedFile(file.put());
  file->SetText(text.c_str());
  file->SetFileName("page.htm");
  size_t before = allocations;
  file->Patch(out);
  const size_t first = allocations - before;
  file->Patch(out);
  before = allocations;
  file->Patch(out);
  return {first, allocations - before};
}

// A hundred times as many markers cost only the few more allocations of
// buffers that grow, in the first composition and in the third.
void ExpectNoAllocationPerMarker(ITplMacroServices* services, const char* marker, ICvoString* out) {
  SCOPED_TRACE(marker);
  Count(services, marker, 8, out);  // pools and buffers filled
  const auto few = Count(services, marker, 100, out);
  const auto many = Count(services, marker, 10000, out);
  EXPECT_LE(many.first, few.first + 10);
  EXPECT_LE(many.second, few.second + 10);
}

// A manager of the fast path, its global "title$$" set.
class MarkerAllocations : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateManagerInstance(manager_.put(), EvaluationPath::kFast);
    services_ = manager_.query<ITplMacroServices>(IID_ITplMacroServices);
    globals_ = manager_.query<ITplVariables>(IID_ITplVariables);
    ASSERT_TRUE(services_ && globals_ && out_);
    globals_->SetVariable("title$$", "Quenloft");
  }
  void Expect(const char* marker) {
    ExpectNoAllocationPerMarker(services_.get(), marker, out_.get());
  }

  ComPtr<ITplManager> manager_;
  ComPtr<ITplMacroServices> services_;
  ComPtr<ITplVariables> globals_;
  ComPtr<ICvoString> out_ = NewString();
};

TEST_F(MarkerAllocations, CommonMarkersAllocateNothing) {
  for (const char* marker : {"<!--%title$$%-->", "<!--% 'a \\' b' %-->", "<!--%nothing$$%-->"}) {
    Expect(marker);
  }
}

TEST_F(MarkerAllocations, FunctionCallsOnShortValuesAllocateNothing) {
  ComPtr<ITplResolverSet> functions;
  CreateResolverSetInstance(functions.put());
  ASSERT_TRUE(functions);
  functions->SetManager(manager_.get());
  functions->Initialize();
  globals_->SetVariable("t$$", "T");  // short enough to be kept in place, deferred too
  for (const char* marker :
       {"<!--%Concat(title$$, ' - ', 'x')%-->", "<!--%Replace(title$$, 'o', '0')%-->",
        "<!--%AssignString(IsEmpty(t$$), 'a', t$$)%-->"}) {
    Expect(marker);
  }
  functions->Uninitialize();
}

}  // namespace
}  // namespace quenloft
