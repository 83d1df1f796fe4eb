#include "functions/statement_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quenloft {
namespace {

// One line per statement: target, name, member and the arguments in
// brackets, each argument between <>.
std::string Dump(std::string_view text) {
  StatementParts parts;
  ParseStatement(text, &parts);
  std::string out = "t=" + std::string(parts.target) + " n=" + std::string(parts.name) +
                    " m=" + std::string(parts.member) + " a=[";
  for (std::string_view a : parts.arguments) out += "<" + std::string(a) + ">";
  return out + "]";
}

struct GrammarCase {
  const char* statement;
  const char* parts;
};

constexpr GrammarCase kGrammar[] = {
    // Plain names, members and calls.
    {"title$$", "t= n=title$$ m= a=[]"},
    {"  count$ \t", "t= n=count$ m= a=[]"},
    {"System.RootFolderName", "t= n=System m=RootFolderName a=[]"},
    {"System . Root ", "t= n=System m=Root a=[]"},
    {"a.b.c", "t= n=a m=b.c a=[]"},
    {"Concat(a, 'b')", "t= n=Concat m= a=[<a><'b'>]"},
    {"Concat ( a ,b )", "t= n=Concat m= a=[<a><b>]"},
    {"Obj.Do(1)", "t= n=Obj m=Do a=[<1>]"},
    {"Do(a.b)", "t= n=Do m= a=[<a.b>]"},  // a dot after "(" is no separator
    // Assignments: the last "=" outside quotes counts, also inside parens.
    {"x = IsTrue(yes)", "t=x n=IsTrue m= a=[<yes>]"},
    {"t = 'Hello'", "t=t n='Hello' m= a=[]"},
    {"x.y = Output(1)", "t=x.y n= m= a=[<1>]"},
    {"CompareNumber(==, 1, 2)", "t=CompareNumber(= n= m= a=[<==><1><2>]"},
    {"CompareNumber('==', 1, 2)", "t= n=CompareNumber m= a=[<'=='><1><2>]"},
    {"Output(x = 1)", "t=Output(x n= m= a=[<x = 1>]"},
    {"a = b = c", "t=a = b n=c m= a=[]"},
    {"=x", "t= n=x m= a=[]"},
    {"x=", "t=x n= m= a=[]"},
    {"x = .m", "t=x n= m=m a=[]"},  // the dot is not the call's first byte
    {"x =.m", "t=x n= m= a=[]"},    // the dot is the call's first byte
    {".m", "t= n= m= a=[]"},
    // Argument lists: parentheses do not nest, the last ")" closes.
    {"Concat(a, Concat(b, c))", "t= n=Concat m= a=[<a><Concat(b><c)>]"},
    {"Concat(a, IsEmpty(b))", "t= n=Concat m= a=[<a><IsEmpty(b)>]"},
    {"Output(x)", "t= n=Output m= a=[<x>]"},
    {"Output()", "t= n=Output m= a=[]"},
    {"Output( )", "t= n=Output m= a=[]"},
    {"Output(a,)", "t= n=Output m= a=[<a,>]"},
    {"Output(a, )", "t= n=Output m= a=[<a>]"},
    {"Output(,a)", "t= n=Output m= a=[<><a>]"},
    {"Output(,,)", "t= n=Output m= a=[<><,>]"},
    {"Output('a,b')", "t= n=Output m= a=[<'a,b'>]"},
    {"Output(\"a,'b\", c)", "t= n=Output m= a=[<\"a,'b\"><c>]"},
    {"Output(a) tail", "t= n=Output m= a=[<a>]"},
    {"Output(a)(b)", "t= n=Output m= a=[<a)(b>]"},
    {"Output(a", "t= n=Output m= a=[]"},  // unmatched "(" gives no arguments
    {"Output)a(", "t= n=Output)a m= a=[]"},
    {"Output('a)", "t= n=Output m= a=[]"},  // the ")" is inside an open quote
    // Escape pairs are stepped over whole.
    {"Output(a\\%b)", "t= n=Output m= a=[<a\\%b>]"},
    {"Output(a\\,b)", "t= n=Output m= a=[<a\\><b>]"},  // "\," is no pair
    {"Output('a\\'b', c)", "t= n=Output m= a=[<'a\\'b'><c>]"},
    {"Output(\\', c)", "t= n=Output m= a=[<\\'><c>]"},  // escaped quote opens none
    {"a\\=b", "t=a\\ n=b m= a=[]"},                       // "\=" is no pair
    {"x = 'a=b'", "t=x n='a=b' m= a=[]"},
    {"Output(x\\\\)", "t= n=Output m= a=[<x\\\\>]"},
    // Literals keep their quotes; nothing inside them counts.
    {"'Hello'", "t= n='Hello' m= a=[]"},
    {"'a.b(c)'", "t= n='a.b(c)' m= a=[]"},
    {"\"x = y\"", "t= n=\"x = y\" m= a=[]"},
    {"", "t= n= m= a=[]"},
    {" \r\n\t", "t= n= m= a=[]"},
};

TEST(StatementParser, Table) {
  for (const GrammarCase& c : kGrammar) {
    EXPECT_EQ(Dump(c.statement), c.parts) << "statement: " << c.statement;
  }
}

TEST(StatementParser, PartsAreViewsIntoTheText) {
  const std::string text = " a = f.g(x) ";
  StatementParts parts;
  ParseStatement(text, &parts);
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  for (std::string_view v : {parts.target, parts.name, parts.member, parts.arguments.at(0)}) {
    EXPECT_GE(v.data(), begin);
    EXPECT_LE(v.data() + v.size(), end);
  }
}

TEST(StatementParser, ReparseClearsEarlierParts) {
  StatementParts parts;
  ParseStatement("x = f.m(a, b)", &parts);
  ParseStatement("g", &parts);
  EXPECT_TRUE(parts.target.empty());
  EXPECT_EQ(parts.name, "g");
  EXPECT_TRUE(parts.member.empty());
  EXPECT_TRUE(parts.arguments.empty());
}

}  // namespace
}  // namespace quenloft
