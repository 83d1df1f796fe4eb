#include "patching/patched_file_impl.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include <new>

#include "patching/evaluation_site.h"
#include "patching/expression_impl.h"
#include "patching/macro_call_impl.h"
#include "patching/statements.h"
#include "quenloft/string_object.h"

namespace quenloft {

namespace {

class ByteSink final : public ValueSink {
 public:
  explicit ByteSink(CByteString* out) : out_(out) {}
  void Append(std::string_view text) override { out_->Append(text.data(), text.size()); }

 private:
  CByteString* out_;
};

std::string_view View(const CByteString& bytes) { return {bytes.GetContent(), bytes.GetLength()}; }

void AppendNote(std::string* notes, size_t length, bool given) {
  size_t n = length * 2 + (given ? 1 : 0);
  for (; n >= 0x80; n >>= 7) notes->push_back(static_cast<char>((n & 0x7F) | 0x80));
  notes->push_back(static_cast<char>(n));
}

size_t ReadNote(std::string_view notes, size_t* at) {
  size_t n = 0;
  for (int shift = 0; *at < notes.size(); shift += 7) {
    const auto byte = static_cast<unsigned char>(notes[(*at)++]);
    n |= static_cast<size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) break;
  }
  return n;
}

}  // namespace

ComPtr<CTplPatchedFileImpl> MakeOwnPatchedFile(const Maker& maker) {
  return ComPtr<CTplPatchedFileImpl>::retain(new (std::nothrow) CTplPatchedFileImpl(maker));
}

ComPtr<ITplPatchedFile> MakePatchedFile(const Maker& maker) {
  return ComPtr<ITplPatchedFile>::adopt(MakeOwnPatchedFile(maker).detach());
}

std::span<const QIEntry> CTplPatchedFileImpl::InterfaceTable() {
  static constexpr QIEntry kTable[] = {
      {&IID_ITplPatchedFile, &InterfaceOf<CTplPatchedFileImpl, ITplPatchedFile>},
      {&IID_ITplVariables, &CTplPatchedFileImpl::Scope},
  };
  return kTable;
}

// Made on first request; none past the manager's end (its names would
// have no registry).
ITplUnknown* CTplPatchedFileImpl::Scope(void* self) {
  auto* file = static_cast<CTplPatchedFileImpl*>(self);
  if (!file->scope_ && !ManagerGone(file->maker_.life)) file->scope_ = MakeVariableScope(file->maker_, kFileScopeName);
  return file->scope_.get();
}

CTplPatchedFileImpl::~CTplPatchedFileImpl() {
  // The scope goes first: its names leave the manager's registry before the
  // expressions that may have assigned them.
  scope_.reset();
  // An expression a holder keeps beyond us answers as one without an owner.
  for (const Made& made : made_) {
    if (made.made != nullptr) made.made->ForgetOwner();
  }
  made_.clear();
}

// ---- text and name ---------------------------------------------------------

int32_t CTplPatchedFileImpl::SetText(const char* text) {
  return Guarded(0, [&] {
    auto content = std::make_shared<Content>();
    if (text != nullptr) content->bytes = text;
    content_ = std::move(content);
    return 0;
  });
}

int32_t CTplPatchedFileImpl::GetText(ICvoString* out) {
  return Guarded(0, [&] {
    WriteString(out, content_ ? content_->bytes.GetContent() : "");
    return 0;
  });
}

int32_t CTplPatchedFileImpl::SetFileName(const char* path) {
  return Guarded(0, [&] {
    file_name_ = path != nullptr ? path : "";
    return 0;
  });
}

int32_t CTplPatchedFileImpl::GetFileName(ICvoString* out) {
  if (out == nullptr) return 1;
  return Guarded(0, [&] {
    WriteString(out, file_name_);
    return 0;
  });
}

int32_t CTplPatchedFileImpl::AttachFileName(const char* path) { return SetFileName(path); }

int32_t CTplPatchedFileImpl::LoadFromFile(const char* path) {
  return Guarded(0, [&] {
    if (path == nullptr || FileExist(path) == 0) return 0;
    auto content = std::make_shared<Content>();
    // A file that cannot be read changes nothing: no empty text is left
    // behind for a later SaveToFile to write over the file.
    if (content->bytes.LoadFromFile(path) == 0) return 0;
    content->from_file = true;
    file_name_ = path;
    content_ = std::move(content);
    return 0;
  });
}

// ---- patch and save --------------------------------------------------------

int32_t CTplPatchedFileImpl::Patch(ICvoString* out) {
  return Guarded(0, [&] {
    CByteString buffer;
    const CByteString* output = Compose(buffer);
    if (output == nullptr) return 1;  // out untouched
    if (out != nullptr) WriteString(out, output->GetContent());
    return 0;
  });
}

int32_t CTplPatchedFileImpl::SaveToFile(const char* path) {
  Save(path);  // callers of the interface are not told the outcome
  return 0;
}

bool CTplPatchedFileImpl::Save(const char* path) noexcept {
  if (path == nullptr || file_name_.empty()) return false;
  return Guarded(false, [&] {
    CByteString buffer;
    // The write goes to a temporary file renamed over the target, so a
    // failed write leaves the old file whole.
    const CByteString* output = Compose(buffer);
    return output != nullptr && output->SaveToFile(path) != 0;
  });
}

// ---- parse -----------------------------------------------------------------

void CTplPatchedFileImpl::ParseOnce() {
  if ((parsed_ && !parsed_->bytes.IsEmpty()) || !content_) return;
  parsed_ = content_;
  style_ = MarkerStyleOfFileName(file_name_.c_str());
  raw_ = -1;
  if (maker_.engine != nullptr || parsed_->bytes.IsEmpty() || Raw()) return;
  // The straightforward path: every marker has its expression from the
  // cut on. On a failure the expressions made so far stay.
  Guarded(false, [&] {
    const std::string_view text = View(parsed_->bytes);
    for (MarkerScanner scanner(text, style_);;) {
      MarkerSpan span;
      if (!scanner.Next(&span)) break;
      if (span.kind != MarkerSpan::kMarker) continue;
      ComPtr<CTplExpressionImpl> expression = MakeOwnExpression(maker_, AsOwner());
      if (expression) {
        const std::string inner(text.substr(span.inner_begin, span.inner_end - span.inner_begin));
        expression->SetText(inner.c_str());
      }
      CTplExpressionImpl* made = expression.get();
      made_.push_back(Made{std::move(expression), nullptr, made});
    }
    return true;
  });
}

bool CTplPatchedFileImpl::Raw() {
  if (raw_ < 0) raw_ = parsed_->from_file && parsed_->bytes.HasZeroByte() ? 1 : 0;
  return raw_ == 1;
}

// ---- compose ---------------------------------------------------------------

struct CTplPatchedFileImpl::Walk {
  Walk(std::string_view text_in, CByteString* out_in, bool first_in)
      : text(text_in), out(out_in), sink(out_in), first(first_in) {}

  std::string_view text;
  CByteString* out;
  ByteSink sink;
  bool first;            // the first composition: its markers are noted
  size_t ordinal = 0;    // of the marker at hand
  size_t note_at = 0;    // the next note to read, for a later composition
  size_t first_at = 0;   // where the first output has the marker at hand
  std::string scratch;   // a statement with its escapes removed
  StatementParts parts;  // of the statement the file resolves itself
};

const CByteString* CTplPatchedFileImpl::Compose(CByteString& out) {
  static const CByteString kNoText;
  ParseOnce();
  if (!parsed_) return &kNoText;
  const std::string_view text = View(parsed_->bytes);
  MarkerScanner scanner(text, style_);
  MarkerSpan span;
  if (!scanner.Next(&span)) return &parsed_->bytes;  // empty
  if (span.kind == MarkerSpan::kText && span.end == text.size()) return &parsed_->bytes;
  if (Raw()) return &parsed_->bytes;
  if (ManagerGone(maker_.life)) return nullptr;  // no marker can be evaluated

  const bool first = maker_.engine != nullptr && !composed_;
  composed_ = true;
  Walk walk(text, first ? &first_output_ : &out, first);
  if (first) {
    // The output is usually about the size of the text; past that it
    // doubles, so that composing stays linear.
    first_output_.SetGrowByDoubleSize(true);
    first_output_.Reserve(text.size());
  } else {
    out.SetGrowByDoubleSize(true);
    out.Reserve(text.size());
  }
  if (maker_.sites != nullptr) maker_.sites->Forget();
  ++composing_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{composing_};
  do {
    if (span.kind == MarkerSpan::kText) {
      walk.out->Append(text.data() + span.begin, span.end - span.begin);
      walk.first_at += span.end - span.begin;
    } else {
      ComposeMarker(walk, span);
      ++walk.ordinal;
    }
  } while (scanner.Next(&span));
  if (!first && composing_ == 1 && noted_ != 0) {
    // Every marker has its expression now: the notes have done their work.
    first_output_ = CByteString();
    notes_ = std::string();
    noted_ = 0;
  }
  return walk.out;
}

void CTplPatchedFileImpl::ComposeMarker(Walk& walk, const MarkerSpan& span) {
  const size_t ordinal = walk.ordinal;
  const std::string_view marker = walk.text.substr(span.begin, span.end - span.begin);
  const std::string_view inner =
      walk.text.substr(span.inner_begin, span.inner_end - span.inner_begin);
  // A later composition reads the first one's note of every marker, to
  // know where each value stands in the first output.
  bool primed = false;
  std::string_view first_result;
  if (!walk.first && ordinal < noted_) {
    const size_t note = ReadNote(notes_, &walk.note_at);
    primed = (note & 1) != 0;
    first_result = View(first_output_).substr(walk.first_at, note >> 1);
    walk.first_at += note >> 1;
  }
  const size_t before = walk.out->GetLength();
  bool given = false;
  const EvaluationSites::Enter site(
      maker_.sites, {file_name_, walk.text, span.inner_begin, span.inner_end});
  if (ordinal < made_.size() && made_[ordinal].expression) {
    EvaluateMade(made_[ordinal], marker, walk.sink);
  } else if (maker_.engine == nullptr) {
    // No expression could be made: the value is empty.
  } else if (walk.first) {
    given = ComposeFast(walk, ordinal, marker, inner);
  } else if (CTplExpressionImpl* expression = ExpressionFor(ordinal, inner)) {
    // The marker gets its expression now; its call keeps the result that
    // the first composition gave.
    CTplMacroCallImpl* call = expression->OnlyCall();
    if (primed && call != nullptr) call->SetResultText(first_result);
    EvaluateMade(made_[ordinal], marker, walk.sink);
  }
  if (walk.first) {
    AppendNote(&notes_, walk.out->GetLength() - before, given);
    ++noted_;
  }
}

void CTplPatchedFileImpl::EvaluateMade(Made made, std::string_view marker, ValueSink& out) {
  // `made` is a copy: a nested composition may give more markers their
  // expressions meanwhile, which moves the entries of made_.
  if (made.own != nullptr) {
    if (made.own->EvaluateInto(out) != CTplExpressionImpl::Outcome::kResolved) out.Append(marker);
    return;
  }
  const ComPtr<ICvoString> value = NewString();
  if (made.expression->Evaluate(value.get()) != 0) {
    out.Append(marker);
    return;
  }
  out.Append(ReadString(value.get()));
}

CTplExpressionImpl* CTplPatchedFileImpl::ExpressionFor(size_t ordinal, std::string_view inner) {
  if (ordinal < made_.size() && made_[ordinal].own != nullptr) return made_[ordinal].own;
  ComPtr<CTplExpressionImpl> expression = MakeOwnExpression(maker_, AsOwner());
  if (!expression) return nullptr;
  expression->SetTextFrom(inner);
  if (made_.size() <= ordinal) made_.resize(ordinal + 1);
  CTplExpressionImpl* own = expression.get();
  made_[ordinal] = Made{std::move(expression), own, own};
  return own;
}

// ---- a marker's statement, resolved by the file ----------------------------

// The one statement of a marker, as the manager's resolution sees it
// before any call exists. A resolver that is not one of the library's
// scopes receives a call lent by the engine, made from the file's parse;
// the marker's expression is made, taking that call as its own, only
// when someone asks the call for its context or container, or holds on
// to it after the statement.
class CTplPatchedFileImpl::MarkerStatement final : public StatementView,
                                                   private CTplMacroCallImpl::OwnerMaker {
 public:
  MarkerStatement(CTplPatchedFileImpl& file, Walk& walk, std::string_view inner,
                  std::string_view statement)
      : file_(file), walk_(walk), inner_(inner), statement_(statement) {}
  ~MarkerStatement() {
    if (call_) call_->ForgetOwnerMaker();  // while the marker's text is at hand
  }
  MarkerStatement(const MarkerStatement&) = delete;
  MarkerStatement& operator=(const MarkerStatement&) = delete;

  std::string_view Name() override { return walk_.parts.name; }
  std::string_view Text() override { return statement_; }
  std::string_view Target() override { return walk_.parts.target; }
  bool AnswerableDirectly() const override { return true; }
  void SetResult(std::string_view result) override {
    walk_.sink.Append(result);  // the value, since there is no target
    answered_ = true;
  }
  std::string_view Result() override { return call_ ? call_->result() : ""; }
  ITplMacroCall* Call() override {
    if (!call_ && file_.maker_.engine != nullptr) {
      call_ = file_.maker_.engine->NewCall(nullptr);
      if (call_ && call_->SetStatement(statement_, walk_.parts)) {
        call_->SetOwnerMaker(this);
      } else {
        call_.reset();
      }
    }
    return call_.get();
  }
  CTplMacroCallImpl* MadeCall() override { return call_.get(); }
  std::string ContainerFileName() override { return file_.file_name_; }
  ComPtr<ITplVariables> ContainerScope() override {
    return ComPtr<ITplUnknown>::retain(file_.AsOwner()).query<ITplVariables>(IID_ITplVariables);
  }
  ComPtr<ITplVariables> ContextScope() override {
    return Call() != nullptr ? OwnCallStatement(*call_).ContextScope() : nullptr;
  }

  bool answered() const { return answered_; }
  CTplExpressionImpl* expression() const { return expression_; }
  CTplMacroCallImpl* call() const { return call_.get(); }

 private:
  ITplExpression* MakeOwner(CTplMacroCallImpl& call) override {
    CTplExpressionImpl* expression = file_.ExpressionFor(walk_.ordinal, inner_);
    if (expression == nullptr || &call != call_.get()) return nullptr;
    expression->Adopt(call_);
    expression_ = expression;
    return expression;
  }

  CTplPatchedFileImpl& file_;
  Walk& walk_;
  std::string_view inner_;
  std::string_view statement_;
  bool answered_ = false;
  CTplExpressionImpl* expression_ = nullptr;  // made_ holds it
  ComPtr<CTplMacroCallImpl> call_;            // lent; the expression holds it too once made
};

bool CTplPatchedFileImpl::ComposeFast(Walk& walk, size_t ordinal, std::string_view marker,
                                      std::string_view inner) {
  // An expression this short never parses: the marker stays as written.
  if (inner.size() < kMinExpressionLength) {
    walk.sink.Append(marker);
    return false;
  }
  size_t count = 0;
  std::string_view statement;
  ForEachStatement(inner, &walk.scratch, [&](std::string_view s) {
    if (++count == 1) statement = s;
  });
  if (count == 0) return false;  // no statement: the empty value
  if (count == 1) ParseStatement(statement, &walk.parts);
  if (count > 1 || !walk.parts.target.empty()) {
    // Several statements, or an assignment: the expression does it all.
    if (ExpressionFor(ordinal, inner) != nullptr) EvaluateMade(made_[ordinal], marker, walk.sink);
    return false;
  }
  MarkerStatement view(*this, walk, inner, statement);
  const bool resolved = maker_.engine->ResolveStatement(view) == 0;
  if (CTplMacroCallImpl* call = view.call()) {
    // A resolver had the call: the expression's evaluation, from its call
    // resolved on. Without an expression yet, the call's result is noted
    // like one the file gave, for the call made at the next composition.
    if (resolved) {
      call->AppendValue(walk.sink);
    } else {
      walk.sink.Append(marker);
    }
    if (CTplExpressionImpl* expression = view.expression()) {
      expression->EndEvaluation();
      return false;
    }
    return resolved && call->has_result();
  }
  if (!resolved) {
    walk.sink.Append(marker);
    return false;
  }
  if (view.answered()) return true;
  walk.sink.Append(statement);  // resolved without a result: its own text
  return false;
}

}  // namespace quenloft
