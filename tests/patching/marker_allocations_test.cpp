// The common marker allocates nothing: patching a hundred times as many
// markers makes only the few more allocations of buffers that grow
// (counted by replacing the global operator new of this test binary). A
// file composed again gives each marker its expression on the second
// composition, and allocates nothing per marker from the third on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "manager/manager_impl.h"
#include "quenloft/com_ptr.h"
#include "quenloft/string_object.h"

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

TEST(MarkerAllocations, CommonMarkersAllocateNothing) {
  ComPtr<ITplManager> manager;
  CreateManagerInstance(manager.put(), EvaluationPath::kFast);
  const auto services = manager.query<ITplMacroServices>(IID_ITplMacroServices);
  const auto globals = manager.query<ITplVariables>(IID_ITplVariables);
  const ComPtr<ICvoString> out = NewString();
  ASSERT_TRUE(services && globals && out);
  globals->SetVariable("title$$", "Quenloft");
  for (const char* marker : {"<!--%title$$%-->", "<!--% 'a \\' b' %-->", "<!--%nothing$$%-->"}) {
    SCOPED_TRACE(marker);
    Count(services.get(), marker, 8, out.get());  // pools and buffers filled
    const auto few = Count(services.get(), marker, 100, out.get());
    const auto many = Count(services.get(), marker, 10000, out.get());
    EXPECT_LE(many.first, few.first + 10);
    EXPECT_LE(many.second, few.second + 10);
  }
}

}  // namespace
}  // namespace quenloft
