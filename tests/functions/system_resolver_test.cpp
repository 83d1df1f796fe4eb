// "System" values through real templates.
#include <optional>
#include <string>
#include <vector>

#include "template_session.h"

namespace quenloft::testing {
namespace {

using SystemResolver = TemplateSession;

TEST_F(SystemResolver, Table) {
  SetSystemValue("System.ResultFolderName", "C:\\out\\");
  SetSystemValue("System.RootFolderName", "C:\\root\\");
  SetSystemValue("System.Empty", "");
  struct Case {
    std::string expression;
    std::string value;
  };
  const Case cases[] = {
      {"System.ResultFolderName", "C:\\out\\"},
      {"System . RootFolderName", "C:\\root\\"},
      {"System.Empty", ""},
      // Keys are exact: an unknown key resolves without a result, so the
      // statement stands for itself, and nothing is reported.
      {"System.resultfoldername", "System.resultfoldername"},
      {"System.NoSuchValue", "System.NoSuchValue"},
      {"System", "System"},
      {"System.RootFolderName('x')", "C:\\root\\"},
      {"r = System.ResultFolderName; Output(r)", "C:\\out\\"},
      {"Concat(System.ResultFolderName, 'x')", "C:\\out\\x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(c.expression), c.value) << c.expression;
  }
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
}

TEST_F(SystemResolver, TheBareNameIsAKeyToo) {
  SetSystemValue("System", "bare");
  EXPECT_EQ(Eval("System"), "bare");
}

}  // namespace
}  // namespace quenloft::testing
