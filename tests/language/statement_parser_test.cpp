#include "language/statement_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace quenloft {
namespace {

// Target, name, member and the arguments, each argument between <>. One
// parts object serves every case, so parts left over from the statement
// before show.
std::string Dump(std::string_view text) {
  static StatementParts parts;
  ParseStatement(text, &parts);
  std::string out = "t=" + std::string(parts.target) + " n=" + std::string(parts.name) +
                    " m=" + std::string(parts.member) + " a=[";
  for (std::string_view a : parts.arguments) out += "<" + std::string(a) + ">";
  return out + "]";
}

TEST(StatementParser, Table) {
  const struct {
    const char* statement;
    const char* parts;
  } cases[] = {
      // Plain names, members and calls.
      {"  count$ \t", "t= n=count$ m= a=[]"},
      {"System . Root ", "t= n=System m=Root a=[]"},
      {"a.b.c", "t= n=a m=b.c a=[]"},
      {"Concat ( a ,b )", "t= n=Concat m= a=[<a><b>]"},
      {"Do(a.b)", "t= n=Do m= a=[<a.b>]"},  // a dot after "(" is no separator
      // Assignments: the last "=" outside quotes counts, also inside parens.
      {"x.y = Output(1)", "t=x.y n= m= a=[<1>]"},
      {"CompareNumber(==, 1, 2)", "t=CompareNumber(= n= m= a=[<==><1><2>]"},
      {"CompareNumber('==', 1, 2)", "t= n=CompareNumber m= a=[<'=='><1><2>]"},
      {"a = b = c", "t=a = b n=c m= a=[]"},
      {"x=", "t=x n= m= a=[]"},
      {"x = .m", "t=x n= m=m a=[]"},  // the dot is not the call's first byte
      {"x =.m", "t=x n= m= a=[]"},    // the dot is the call's first byte
      // Argument lists: parentheses do not nest, the last ")" closes.
      {"Concat(a, Concat(b, c))", "t= n=Concat m= a=[<a><Concat(b><c)>]"},
      {"Output( )", "t= n=Output m= a=[]"},
      {"Output(a,)", "t= n=Output m= a=[<a,>]"},
      {"Output(,,)", "t= n=Output m= a=[<><,>]"},
      {"Output(\"a,'b\", c)", "t= n=Output m= a=[<\"a,'b\"><c>]"},
      {"Output(a)(b)", "t= n=Output m= a=[<a)(b>]"},
      {"Output(a", "t= n=Output m= a=[]"},  // unmatched "(" gives no arguments
      {"Output)a(", "t= n=Output)a m= a=[]"},
      {"Output('a)", "t= n=Output m= a=[]"},  // the ")" is inside an open quote
      // Escape pairs are stepped over whole.
      {"Output(a\\,b)", "t= n=Output m= a=[<a\\><b>]"},  // "\," is no pair
      {"Output('a\\'b', c)", "t= n=Output m= a=[<'a\\'b'><c>]"},
      {"Output(\\', c)", "t= n=Output m= a=[<\\'><c>]"},  // escaped quote opens none
      {"x = 'a=b'", "t=x n='a=b' m= a=[]"},
      // Literals keep their quotes; nothing inside them counts.
      {"'a.b(c)'", "t= n='a.b(c)' m= a=[]"},
      {" \r\n\t", "t= n= m= a=[]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Dump(c.statement), c.parts) << "statement: " << c.statement;
}

}  // namespace
}  // namespace quenloft
