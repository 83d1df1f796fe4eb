// Objects a host brings to the library, written the way a foreign host
// writes them: a base that counts without ever deleting, a host callback
// that records what it is told, a resolver that lists names, and a string
// object with only the slots the library may call. And the public string
// holder and reader under the names the tests use.
#ifndef QUENLOFT_TESTS_SUPPORT_HOST_OBJECTS_H
#define QUENLOFT_TESTS_SUPPORT_HOST_OBJECTS_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quenloft/com_object.h"
#include "quenloft/quenloft.h"
#include "quenloft/string_object.h"

namespace quenloft::testing {

using quenloft::Text;
inline std::string TextOf(ICvoString* s) { return ReadString(s); }

// Owner-held, so it never deletes itself, with a count that starts with
// the test's own reference: a test checks that every reference the
// library took was given back. Answers no interface ID.
template <class I>
class SelfCounted : public OwnerHeldComObject<SelfCounted<I>, I> {
  using Base = OwnerHeldComObject<SelfCounted<I>, I>;

 public:
  static QITable InterfaceTable() { return {}; }

  explicit SelfCounted(int32_t initial = 1) : Base(initial) {}
  // A copy starts from its source's count, so helpers can return fakes.
  SelfCounted(const SelfCounted& other) : Base(other.count()) {}
  SelfCounted& operator=(const SelfCounted&) = delete;

  int32_t count() const { return this->RefCount(); }
};

// Records every message, progress step, file notice and file-name
// question, and answers as the test tells it to. Slots 4, 5, 8 and 10 are
// the host's own: a call of one fails the test.
class RecordingHost : public SelfCounted<ITplHostCallback> {
 public:
  using SelfCounted<ITplHostCallback>::SelfCounted;

  int32_t QL_CALL Output(const char* text) override {
    return outputs.emplace_back(OrNull(text)), 0;
  }
  int32_t QL_CALL Reserved4() override { return Forbidden(4); }
  int32_t QL_CALL Reserved5() override { return Forbidden(5); }
  int32_t QL_CALL Progress(int32_t index, int32_t total) override {
    return progress.emplace_back(index, total), 0;
  }
  int32_t QL_CALL MapFileName(const char* path, ICvoString* out) override {
    mapped.emplace_back(OrNull(path));
    if (!map_to) return 1;
    return out->SetText(map_to->c_str()), 0;
  }
  int32_t QL_CALL Reserved8() override { return Forbidden(8); }
  int32_t QL_CALL NotifyFile(const char* path) override {
    return notified.emplace_back(OrNull(path)), 0;
  }
  int32_t QL_CALL Reserved10() override { return Forbidden(10); }
  int32_t QL_CALL ShouldContinue() override { return ++continue_questions, keep_going ? 1 : 0; }

  // Drops what was recorded so far.
  void Forget() {
    outputs.clear(), progress.clear(), mapped.clear(), notified.clear();
    continue_questions = 0;
  }
  std::string AllOutput() const {
    std::string all;
    for (const std::string& s : outputs) all += s;
    return all;
  }

  std::optional<std::string> map_to;  // MapFileName answers 0 with this text
  bool keep_going = true;             // what ShouldContinue answers
  std::vector<std::string> outputs;
  std::vector<std::pair<int32_t, int32_t>> progress;  // (index, total)
  std::vector<std::string> mapped;
  std::vector<std::string> notified;
  int continue_questions = 0;

 private:
  static const char* OrNull(const char* text) { return text != nullptr ? text : "(null)"; }
  static int32_t Forbidden(int slot) {
    ADD_FAILURE() << "the library called slot " << slot << " of the host callback";
    return 0;
  }
};

// Lists the names it was given (an empty name ends the list) and records
// the names other resolvers took from it; what it resolves is up to the
// test's subclass.
class ListingResolver : public OwnerHeldComObject<ListingResolver, ITplResolver> {
 public:
  static constexpr int32_t kNullOutResult = 1;  // as the library's resolvers answer

  // The count starts with the test's own reference unless told otherwise.
  explicit ListingResolver(std::vector<std::string> names, int32_t initial_count = 1)
      : OwnerHeldComObject<ListingResolver, ITplResolver>(initial_count),
        names_(std::move(names)) {}

  int32_t count() const { return RefCount(); }

  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override {
    *position = 0;
    return GetNextName(name, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) override {
    const size_t at = static_cast<size_t>((*position)++);
    return name->SetText(at < names_.size() ? names_[at].c_str() : ""), 0;
  }
  int32_t QL_CALL OnNameConflict(const char* name) override {
    return conflicts.emplace_back(name != nullptr ? name : "(null)"), 0;
  }

  std::vector<std::string> conflicts;

 private:
  std::vector<std::string> names_;
};

// A string object of a host's own making: the slots the library may call
// on it (0-3, 5, 6 and 21) work and are logged, and a call of any other
// ends the test naming the slot. It lives where the test puts it and
// checks at its end that every reference it gave was given back.
class HostString final : public ICvoString {
 public:
  explicit HostString(std::string text = {}) : text_(std::move(text)) {}
  ~HostString() { EXPECT_EQ(count_, 1) << "references to a host string left: " << count_ - 1; }
  HostString(const HostString&) = delete;
  HostString& operator=(const HostString&) = delete;

  const std::string& text() const { return text_; }
  // The slots called so far: S SetText, L GetLength, E Empty, T GetText.
  std::string calls;

  int32_t CVO_CALL QueryInterface(const CvoIID& iid, void** out) override {
    if (out == nullptr) return 1;
    *out = std::memcmp(&iid, &IID_ICvoString, sizeof iid) == 0 ? this : nullptr;
    return *out == nullptr ? 1 : (++count_, 0);
  }
  int32_t CVO_CALL AddRef() override { return ++count_; }
  int32_t CVO_CALL Release() override { return --count_; }
  int32_t CVO_CALL SetText(const char* text) override {
    return calls += 'S', text_ = text != nullptr ? text : "", 0;
  }
  int32_t CVO_CALL GetLength() override { return calls += 'L', static_cast<int32_t>(text_.size()); }
  int32_t CVO_CALL Empty() override { return calls += 'E', text_.clear(), 0; }
  int32_t CVO_CALL GetText(const char** text) override {
    if (text == nullptr) return 1;
    return calls += 'T', *text = text_.c_str(), 0;
  }

  // Slots 4 and 7-20 belong to the host alone.
  int32_t CVO_CALL AppendText(const char*) override { Forbidden(4); }
  int32_t CVO_CALL SetBytes(const char*, int32_t) override { Forbidden(7); }
  int32_t CVO_CALL AppendBytes(const char*, int32_t) override { Forbidden(8); }
  int32_t CVO_CALL Compare(const char*, int32_t*) override { Forbidden(9); }
  int32_t CVO_CALL CompareNoCase(const char*, int32_t*) override { Forbidden(10); }
  int32_t CVO_CALL MakeLower() override { Forbidden(11); }
  int32_t CVO_CALL MakeUpper() override { Forbidden(12); }
  int32_t CVO_CALL Trim() override { Forbidden(13); }
  int32_t CVO_CALL Find(const char*, int32_t, int32_t*) override { Forbidden(14); }
  int32_t CVO_CALL Left(int32_t) override { Forbidden(15); }
  int32_t CVO_CALL Mid(int32_t, int32_t) override { Forbidden(16); }
  int32_t CVO_CALL Replace(const char*, const char*, int32_t*) override { Forbidden(17); }
  int32_t CVO_CALL Clone(ICvoString**) override { Forbidden(18); }
  int32_t CVO_CALL GetBytes(const char**, int32_t*) override { Forbidden(19); }
  int32_t CVO_CALL IsEqual(ICvoString*, int32_t*) override { Forbidden(20); }

 private:
  [[noreturn]] static void Forbidden(int slot) {
    std::fprintf(stderr, "the library called slot %d of a host's string object\n", slot);
    std::abort();
  }

  std::string text_;
  int32_t count_ = 1;  // the test's own
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_HOST_OBJECTS_H
