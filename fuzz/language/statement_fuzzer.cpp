// Expression splitting, escape removal and the statement grammar. The
// grammar's pure functions are checked on the whole input (zero bytes
// included); the splitting through the interfaces, the way the manager's
// objects see a marker's text, on the input up to its first zero byte.
//
// What must hold whatever the text:
//   - escape removal only drops backslashes, and leaves a text without one
//     as it is;
//   - every part of a parsed statement lies inside the statement, trimmed;
//   - an expression's statements are its text cut at ";", each trimmed and
//     with its escapes removed: pieces of the text, in order, with some
//     backslashes dropped, no more of them than ";" allows; texts shorter
//     than 5 bytes give none.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "language/escapes.h"
#include "language/statement_parser.h"
#include "quenloft/com.h"
#include "quenloft/quenloft.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Where `part` ends in `text` when it is the text from `from` on with some
// of its backslashes dropped; npos when it is not.
size_t EndOfMatch(std::string_view text, size_t from, std::string_view part) {
  size_t p = 0;
  size_t i = from;
  for (; i < text.size() && p < part.size(); ++i) {
    if (part[p] == text[i]) {
      ++p;
    } else if (text[i] != '\\') {
      return std::string_view::npos;
    }
  }
  return p == part.size() ? i : std::string_view::npos;
}

bool DropsOnlyBackslashes(std::string_view whole, std::string_view part) {
  const size_t end = EndOfMatch(whole, 0, part);
  return end != std::string_view::npos &&
         whole.substr(end).find_first_not_of('\\') == std::string_view::npos;
}

// Where `part` ends when it is a piece of the text after `from` with some
// backslashes dropped; npos when it is none.
size_t EndOfPiece(std::string_view text, size_t from, std::string_view part) {
  for (size_t start = from; start < text.size(); ++start) {
    const size_t end = EndOfMatch(text, start, part);
    if (end != std::string_view::npos) return end;
  }
  return std::string_view::npos;
}

bool IsTrimmed(std::string_view part) { return part == quenloft::TrimStatementSpace(part); }

void CheckPart(std::string_view statement, std::string_view part) {
  if (part.empty()) return;
  Require(part.data() >= statement.data() &&
          part.data() + part.size() <= statement.data() + statement.size());
  Require(IsTrimmed(part));
}

void CheckGrammar(std::string_view text) {
  const std::string plain = quenloft::RemoveEscapes(text);
  Require(DropsOnlyBackslashes(text, plain));
  if (text.find('\\') == std::string_view::npos) Require(plain == text);

  quenloft::StatementParts parts;
  quenloft::ParseStatement(text, &parts);
  for (const std::string_view part : {parts.target, parts.name, parts.member}) {
    CheckPart(text, part);
  }
  for (const std::string_view argument : parts.arguments) CheckPart(text, argument);
  // The parts are reused; a second parse must give the same ones.
  const quenloft::StatementParts first = parts;
  parts.clear();
  quenloft::ParseStatement(text, &parts);
  Require(parts.target == first.target && parts.name == first.name &&
          parts.member == first.member && parts.arguments == first.arguments);
}

// One manager for the process, with no resolver: splitting asks for none.
ITplMacroServices* Services() {
  static const quenloft::ComPtr<ITplMacroServices> services = [] {
    quenloft::ComPtr<ITplManager> manager;
    if (CreateTemplateManagerInstance(manager.put()) != 0 || !manager) std::abort();
    return manager.query<ITplMacroServices>();
  }();
  return services.get();
}

void CheckSplitting(const std::string& text) {
  quenloft::ComPtr<ITplExpression> expression;
  Require(Services()->CreateExpression(expression.put(), nullptr) == 0 && expression);
  Require(expression->SetText(text.c_str()) == 0);
  size_t pieces = 1;
  for (const char c : text) pieces += c == ';' ? 1 : 0;
  size_t statements = 0;
  uint32_t position = 0;
  quenloft::ComPtr<ITplMacroCall> call;
  expression->GetFirstCall(call.put(), &position);
  quenloft::Text statement;
  size_t cursor = 0;  // statements come in the order of the text
  while (call) {
    ++statements;
    statement.clear();
    call->GetText(statement);
    const std::string got = statement.text();
    Require(!got.empty() && IsTrimmed(got));
    cursor = EndOfPiece(text, cursor, got);
    Require(cursor != std::string_view::npos);
    call.reset();
    expression->GetNextCall(call.put(), &position);
  }
  Require(statements <= pieces);
  if (text.size() < 5) Require(statements == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckGrammar(input);
  CheckSplitting(std::string(input.substr(0, input.find('\0'))));
  return 0;
}
