// NameToColor and ColorToName through real templates.
#include <optional>
#include <string>
#include <vector>

#include "template_session.h"

namespace quenloft::testing {
namespace {

using ColorFunctions = TemplateSession;

TEST_F(ColorFunctions, Table) {
  struct Case {
    std::string expression;
    std::optional<std::string> value;  // nothing: the statement does not resolve
  };
  const Case cases[] = {
      {"NameToColor('red')", "#ff0000"},
      {"NameToColor('Blue')", "#0000ff"},
      {"NameToColor('LIME')", "#00ff00"},
      {"NameToColor('cornflowerblue')", "#6495ed"},
      {"NameToColor('#0A0b0C')", "#0a0b0c"},
      {"NameToColor('#abc')", "#aabbcc"},
      {"NameToColor('nosuchcolour')", "#000000"},
      {"NameToColor('')", ""},
      {"NameToColor()", std::nullopt},
      {"NameToColor('red', 'blue')", std::nullopt},
      {"ColorToName('#ff0000')", std::nullopt},
      {"ColorToName()", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(c.expression), c.value) << c.expression;
    const std::vector<std::string> expected =
        c.value ? std::vector<std::string>{} : std::vector<std::string>{Unresolved(c.expression)};
    EXPECT_EQ(TakeOutputs(), expected) << c.expression;
  }
}

}  // namespace
}  // namespace quenloft::testing
