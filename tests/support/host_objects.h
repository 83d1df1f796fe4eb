// Objects a host brings to the library, written the way a foreign host
// writes them: a base that counts without ever deleting, a host callback
// that records what it is told, file sources and resolvers that list names,
// and a string object with only the slots the library may call. And the
// public string holder and reader under the names the tests use.
#ifndef QUENLOFT_TESTS_SUPPORT_HOST_OBJECTS_H
#define QUENLOFT_TESTS_SUPPORT_HOST_OBJECTS_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "quenloft/com_object.h"
#include "quenloft/quenloft.h"
#include "quenloft/string_object.h"
#include "support/string_slots.h"

namespace quenloft::testing {

using quenloft::Text;
using Counts = std::vector<int32_t>;

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
// the host's own: a call of one fails the test. With `listens` or
// `control` set before the manager asks, it answers ITplDiagnostics or
// ITplHostControl too; `events` holds messages and diagnostics in order,
// "O <text>" and "D <line>:<column> <severity> <code> <statement> |
// <reason> @<file>".
class RecordingHost : public SelfCounted<ITplHostCallback> {
 public:
  using SelfCounted<ITplHostCallback>::SelfCounted;

  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (listens && out != nullptr && iid == IID_ITplDiagnostics) {
      listener_.AddRef();
      *out = static_cast<ITplDiagnostics*>(&listener_);
      return 0;
    }
    if (control != nullptr && out != nullptr && iid == IID_ITplHostControl) {
      control->AddRef();
      *out = control;
      return 0;
    }
    return SelfCounted<ITplHostCallback>::QueryInterface(iid, out);
  }
  int32_t QL_CALL Output(const char* text) override {
    events.push_back("O " + std::string(OrNull(text)));
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
    outputs.clear(), events.clear(), seen.clear(), progress.clear(), mapped.clear(),
        notified.clear();
    continue_questions = 0;
  }
  std::string AllOutput() const {
    std::string all;
    for (const std::string& s : outputs) all += s;
    return all;
  }

  bool listens = false;               // answers ITplDiagnostics
  ITplHostControl* control = nullptr;  // answered when set
  std::optional<std::string> map_to;  // MapFileName answers 0 with this text
  bool keep_going = true;             // what ShouldContinue answers
  std::vector<std::string> outputs;
  std::vector<std::string> events;
  std::vector<TplDiagnostic> seen;  // strings dropped: they are borrowed
  // Applied to each diagnostic's line and column before it is recorded.
  std::function<void(int32_t* line, int32_t* column)> shift;
  std::vector<std::pair<int32_t, int32_t>> progress;  // (index, total)
  std::vector<std::string> mapped;
  std::vector<std::string> notified;
  int continue_questions = 0;
  int32_t listener_count() const { return listener_.count(); }

 private:
  class Listener final : public SelfCounted<ITplDiagnostics> {
   public:
    explicit Listener(RecordingHost& host) : host_(host) {}
    int32_t QL_CALL Report(const TplDiagnostic* d) override {
      int32_t line = d->line, column = d->column;
      if (host_.shift) host_.shift(&line, &column);
      host_.events.push_back("D " + std::to_string(line) + ":" + std::to_string(column) +
                             (d->severity == TPL_DIAGNOSTIC_ERROR ? " error " : " warning ") +
                             d->code + " " + d->statement + " | " + d->reason + " @" + d->file);
      return host_.seen.push_back(*d), 0;
    }

   private:
    RecordingHost& host_;
  };

  static const char* OrNull(const char* text) { return text != nullptr ? text : "(null)"; }
  static int32_t Forbidden(int slot) {
    ADD_FAILURE() << "the library called slot " << slot << " of the host callback";
    return 0;
  }

  Listener listener_{*this};
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

// Lists its names and records the listing calls. Its source paths are the
// names themselves, or, with a folder, files below it ("\" read as "/"): a
// name that is a full path ("/..." or "C:\...") names its own file unless
// `sources` maps it to another.
class HostSource : public SelfCounted<ITplFileSource> {
 public:
  explicit HostSource(std::vector<std::string> names = {}, std::string folder = {})
      : names(std::move(names)), folder_(std::move(folder)) {}

  int32_t QL_CALL Initialize(const char* folder) override {
    return folders.emplace_back(folder != nullptr ? folder : "(null)"), 0;
  }
  int32_t QL_CALL Uninitialize() override { return ++uninitialized, 0; }
  // "!" marks a first position other than 0, or a string that still held text.
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) override {
    calls += *position != 0 ? "first! " : "first ";
    return Next(out, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) override {
    calls += out->GetLength() != 0 ? "next! " : "next ";
    return Next(out, position);
  }
  int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) override {
    ++source_path_questions;
    if (when_asked) std::exchange(when_asked, nullptr)();
    if (folder_.empty()) return out->SetText(name);
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (sources.count(path) != 0) path = sources[path];
    if (path.front() != '/' && path[1] != ':') path = folder_ + path;
    return out->SetText(path.c_str());
  }

  std::vector<std::string> names;
  std::map<std::string, std::string> sources;
  std::function<void()> when_asked;  // called on the first question for a source path
  std::vector<std::string> folders;  // one per Initialize
  std::string calls;                 // the listing calls, in order
  int uninitialized = 0, source_path_questions = 0;

 private:
  int32_t Next(ICvoString* out, int32_t* position) {
    if (*position < 0 || static_cast<size_t>(*position) >= names.size()) return 1;
    return out->SetText(names[static_cast<size_t>((*position)++)].c_str());
  }
  std::string folder_;
};

// A listing resolver that counts Initialize and Uninitialize and resolves
// with on_resolve (refusing without one). With `extended` it answers
// ITplResolverEx too: QueryMacro gives query_answer, MapText "mapped:TEXT".
// Its Release may throw, as a careless host's may.
class HostResolver final : public ListingResolver, public ITplResolverEx {
 public:
  explicit HostResolver(std::vector<std::string> names = {}, int32_t initial_count = 1)
      : ListingResolver(std::move(names), initial_count) {}

  int32_t QL_CALL QueryInterface(const TplIID& iid, void** out) override {
    if (out == nullptr || iid != IID_ITplResolverEx || !extended) {
      return ListingResolver::QueryInterface(iid, out);
    }
    *out = static_cast<ITplResolverEx*>(this);
    return AddRef(), 0;
  }
  int32_t QL_CALL AddRef() override { return ListingResolver::AddRef(); }
  int32_t QL_CALL Release() override {
    const int32_t left = ListingResolver::Release();
    if (throw_on_release) throw std::runtime_error("resolver release failed");
    return left;
  }
  int32_t QL_CALL Initialize() override { return ++initialized, 0; }
  int32_t QL_CALL Uninitialize() override { return ++uninitialized, 0; }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override {
    return on_resolve ? on_resolve(call) : 1;
  }
  int32_t QL_CALL Reserved3() override { return 0; }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Reserved6() override { return 0; }
  int32_t QL_CALL MapText(ICvoString* out, const char* text) override {
    return out->SetText(("mapped:" + std::string(text)).c_str());
  }
  int32_t QL_CALL QueryMacro(ICvoString* out, const char*) override {
    out->SetText(query_answer.c_str());
    return 7;  // any result: the manager does not look at it
  }

  std::function<int32_t(ITplMacroCall*)> on_resolve;
  bool extended = false;
  std::string query_answer;
  bool throw_on_release = false;
  int initialized = 0, uninitialized = 0;
};

// A string object of a host's own making: the slots the library may call
// on it (0-3, 5, 6 and 21) work and are logged, and a call of any other
// ends the test naming the slot. It lives where the test puts it and
// checks at its end that every reference it gave was given back.
class HostString final : public HostOnlyStringSlots<HostString> {
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

  [[noreturn]] static int32_t HostOnlySlot(int slot) {
    std::fprintf(stderr, "the library called slot %d of a host's string object\n", slot);
    std::abort();
  }

 private:

  std::string text_;
  int32_t count_ = 1;  // the test's own
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_HOST_OBJECTS_H
