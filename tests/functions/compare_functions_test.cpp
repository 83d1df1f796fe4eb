// CompareNumber, CompareString, IsEmpty and IsTrue through real templates.
#include <optional>
#include <string>
#include <vector>

#include "template_session.h"

namespace quenloft::testing {
namespace {

using CompareFunctions = TemplateSession;

TEST_F(CompareFunctions, Table) {
  SetGlobal("two$$", "2");
  SetGlobal("ten$$", "10");
  SetGlobal("blank$$", "");
  const EvalCase cases[] = {
      {"CompareNumber('<', '2', '10')", "true", {}},
      {"CompareString('<', '2', '10')", "false", {}},
      {"CompareNumber('>=', '5', '5')", "true", {}},
      {"CompareNumber('<=', '-3', '2')", "true", {}},
      {"CompareNumber('!=', '7', '07')", "false", {}},
      {"CompareNumber('==', ' 12abc', '12')", "true", {}},
      {"CompareNumber('>', 'x', '')", "false", {}},
      {"CompareNumber('like', '1', '1')", "false", {}},
      {"CompareNumber('substr', '12', '1')", "false", {}},
      {"CompareString('compnocase', 'ABC', 'abc')", "true", {}},
      {"CompareString('substr', 'template', 'pl')", "true", {}},
      {"CompareString('substr', 'x', '')", "true", {}},
      {"CompareString('==', 'abc', 'ABC')", "false", {}},
      {"CompareString('>', 'b', 'abc')", "true", {}},
      {"CompareNumber('<', two$$, ten$$)", "true", {}},
      {"CompareString('<', two$$, ten$$)", "false", {}},
      {"IsTrue(' Yes ')", "true", {}},
      {"IsTrue('TRUE')", "true", {}},
      {"IsTrue('1')", "true", {}},
      {"IsTrue('on')", "false", {}},
      {"IsTrue('0')", "false", {}},
      {"IsEmpty('')", "true", {}},
      {"IsEmpty(' ')", "false", {}},
      {"IsEmpty(blank$$)", "true", {}},
      {"IsEmpty(two$$)", "false", {}},
      // An argument nobody resolves keeps its text and is reported.
      {"IsEmpty(nosuch)", "false", {Unresolved("nosuch")}},
      {"x = IsTrue('yes'); Output(x)", "true", {}},
      // Wrong argument counts: the call does not resolve.
      {"IsEmpty()", std::nullopt, {Unresolved("IsEmpty()")}},
      {"IsTrue('a', 'b')", std::nullopt, {Unresolved("IsTrue('a', 'b')")}},
      {"CompareNumber('<', '1')", std::nullopt, {Unresolved("CompareNumber('<', '1')")}},
      {"CompareString('<', '1', '2', '3')", std::nullopt,
       {Unresolved("CompareString('<', '1', '2', '3')")}},
      // An unquoted operator with "=" is read as an assignment.
      {"CompareNumber(==, 1, 2)", std::nullopt, {}},
  };
  ExpectEvaluations(cases);
}

}  // namespace
}  // namespace quenloft::testing
