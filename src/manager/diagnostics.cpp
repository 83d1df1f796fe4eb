#include "manager/diagnostics.h"

#include <algorithm>

#include "frame/boundary.h"
#include "language/statement_faults.h"
#include "quenloft/conventions.h"

namespace quenloft {

namespace {

Diagnostics::Reason FaultReason(StatementFault::Kind kind) {
  switch (kind) {
    case StatementFault::kUnbalancedQuote:
      return {kUnbalancedQuoteCode, "this quote is never closed, so the rest of the statement is "
                                    "read as quoted text"};
    case StatementFault::kUnbalancedParenthesis:
      return {kUnbalancedParenthesisCode, "this parenthesis has no partner"};
    case StatementFault::kNestedCall:
      return {kNestedCallCode, "a call used as an argument is cut at its commas (arguments do "
                               "not nest); assign it to a variable first"};
    case StatementFault::kNone:
      break;
  }
  return {nullptr, {}};
}

}  // namespace

void Diagnostics::BeginStatement(std::string_view text) {
  pending_.clear();
  top_.assign(text);
  const StatementFault fault = FindStatementFault(text);
  fault_ = FaultReason(fault.kind);
  fault_.at = fault.at;
  // The failures that follow from a malformed text are not its author's
  // to hear one by one.
  closed_ = fault_.code != nullptr;
}

void Diagnostics::Explain(int level, std::string_view code, std::string_view reason) {
  if (!on() || closed_) return;
  const bool known = std::any_of(pending_.begin(), pending_.end(),
                                 [&](const Pending& p) { return p.level == level; });
  if (known) return;
  // The code is kept as one of ours when it is one: Report hands out a
  // pointer, and a host's text lives only for the call.
  static const char* const kCodes[] = {
      kUnknownNameCode,    kUnsetVariableCode,    kUnquotedLiteralCode, kArgumentCountCode,
      kUnbalancedQuoteCode, kUnbalancedParenthesisCode, kNestedCallCode, kUnknownSystemKeyCode,
      kUnknownColorCode,   kFileNotFoundCode,     kTransformFailedCode, kRefusedCode,
      kNestingTooDeepCode, kEvaluationLimitCode,  kStoppedCode,         kNotResolvedCode};
  const auto* found = std::find_if(std::begin(kCodes), std::end(kCodes),
                                   [&](const char* c) { return code == c; });
  if (found == std::end(kCodes)) return;
  pending_.push_back({level, {*found, std::string(reason)}});
}

void Diagnostics::TakePending(int level, Reason* out) {
  while (!pending_.empty() && pending_.back().level >= level) {
    if (pending_.back().level == level) *out = std::move(pending_.back().reason);
    pending_.pop_back();
  }
}

void Diagnostics::Report(int32_t severity, const Reason& reason, std::string_view text) {
  const EvaluationSite& site = sites_.current();
  LineColumn where;
  if (site.text.data() != nullptr && site.inner_begin <= site.inner_end &&
      site.inner_end <= site.text.size()) {
    // The statement is looked for in its marker; one whose escapes were
    // removed is not found there, and the top-level statement or the
    // marker's start stands for it.
    const std::string_view inner =
        site.text.substr(site.inner_begin, site.inner_end - site.inner_begin);
    size_t offset = reason.at;
    size_t at = inner.find(text);
    if (at == std::string_view::npos) {
      offset = 0;
      at = inner.find(top_);
      if (at == std::string_view::npos) at = 0;
    }
    where = sites_.Locate(site.inner_begin + std::min(at + offset, inner.size()));
  }
  const std::string file(site.file);
  const std::string statement(text);
  TplDiagnostic diagnostic{};
  diagnostic.size = sizeof diagnostic;
  diagnostic.severity = severity;
  diagnostic.code = reason.code;
  diagnostic.file = file.c_str();
  diagnostic.line = where.line;
  diagnostic.column = where.column;
  diagnostic.statement = statement.c_str();
  diagnostic.reason = reason.text.c_str();
  // What a host's Report throws stays on this side.
  Guarded(0, [&] { return sink_->Report(&diagnostic); });
}

}  // namespace quenloft
