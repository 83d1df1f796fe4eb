// Fakes for the helper's tests: objects written by hand, the way a foreign
// host writes them, that count what is done to them; and the operations
// of ComObject probes.
#ifndef QUENLOFT_TESTS_FRAME_COUNTING_FAKES_H
#define QUENLOFT_TESTS_FRAME_COUNTING_FAKES_H

#include <string>

#include "quenloft/com_object.h"
#include "quenloft/quenloft.h"

namespace quenloft::testing {

// Starts with the test's own reference; answers IID_ITplResolver with
// itself. With `liar` set it refuses every ID but leaves itself in *out.
struct CountingUnknown : ITplUnknown {
  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    ++queries;
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
  int add_refs = 0, releases = 0, queries = 0;
  bool liar = false;
};

// A string object with only the slots every string object must have; the
// others fail the test. Records the calls of the four it may get.
struct StrictString final : ICvoString {
  int32_t CVO_CALL QueryInterface(const CvoIID&, void**) override { return Wrong(); }
  int32_t CVO_CALL AddRef() override { return ++count; }
  int32_t CVO_CALL Release() override { return --count; }
  int32_t CVO_CALL SetText(const char* t) override { return calls += "S", text = t, 0; }
  int32_t CVO_CALL GetLength() override {
    return calls += "L", static_cast<int32_t>(text.size());
  }
  int32_t CVO_CALL Empty() override { return calls += "E", text.clear(), 0; }
  int32_t CVO_CALL GetText(const char** t) override { return calls += "T", *t = text.c_str(), 0; }

  int32_t CVO_CALL AppendText(const char*) override { return Wrong(); }
  int32_t CVO_CALL SetBytes(const char*, int32_t) override { return Wrong(); }
  int32_t CVO_CALL AppendBytes(const char*, int32_t) override { return Wrong(); }
  int32_t CVO_CALL Compare(const char*, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL CompareNoCase(const char*, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL MakeLower() override { return Wrong(); }
  int32_t CVO_CALL MakeUpper() override { return Wrong(); }
  int32_t CVO_CALL Trim() override { return Wrong(); }
  int32_t CVO_CALL Find(const char*, int32_t, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL Left(int32_t) override { return Wrong(); }
  int32_t CVO_CALL Mid(int32_t, int32_t) override { return Wrong(); }
  int32_t CVO_CALL Replace(const char*, const char*, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL Clone(ICvoString**) override { return Wrong(); }
  int32_t CVO_CALL GetBytes(const char**, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL IsEqual(ICvoString*, int32_t*) override { return Wrong(); }

  int32_t Wrong() { return calls += "!", 1; }

  int32_t count = 1;
  std::string text;
  std::string calls;  // S SetText, L GetLength, E Empty, T GetText, ! any other
};

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

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_FRAME_COUNTING_FAKES_H
