// Names that module resolvers register answer statements in templates.
#include <gmock/gmock.h>

#include <cstdlib>

#include "module_test_support.h"

namespace quenloft::testing {
namespace {

TEST(ModuleNames, ResolveWhileTheSetIsInitialised) {
  const struct {
    const char* module;
    const char* name;  // what the module's set registers
    const char* value;
  } kCases[] = {
      {"libql-test-module-cpp.so", "HelloCpp", "hello from C++:p"},
      {"libql-test-module-c.so", "HelloC", "hello from C:p"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.module);
    HostedManager host;
    ASSERT_EQ(host.Add(c.module, "p"), 0);
    EXPECT_EQ(host.manager()->HasResolverFor(c.name), 0);
    EXPECT_EQ(host.Evaluate(c.name), c.value);
    host.Terminate();
    EXPECT_EQ(host.manager()->HasResolverFor(c.name), 1);
  }
}

#ifdef QL_TEST_HAVE_EXAMPLE
constexpr char kExample[] = "libquenloft-example-resolvers.so";

TEST(ExampleModule, Answers) {
  setenv("QL_EXAMPLE_VALUE", "from the environment", 1);
  unsetenv("QL_EXAMPLE_UNSET");
  HostedManager host;
  ASSERT_EQ(host.Add(kExample), 0);
  const struct {
    const char* statement;
    const char* value;
  } kCases[] = {
      {"Env('QL_EXAMPLE_VALUE')", "from the environment"},
      {"Env('QL_EXAMPLE_UNSET')", ""},
      {"Date('built on a day')", "built on a day"},
      {"Counter('a'); Counter('a'); Counter('b'); Counter('a')", "1213"},
      {"Counter('a')", "4"},  // the set keeps counting across statements
  };
  for (const auto& c : kCases) EXPECT_EQ(host.Evaluate(c.statement), c.value) << c.statement;
  EXPECT_THAT(host.Evaluate("Date('%Y')"), ::testing::MatchesRegex("[0-9]{4}"));
  EXPECT_THAT(host.Evaluate("Date()"), ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}"));
  host.Terminate();
  // A new manager gets a new set, which counts from 1 again.
  HostedManager other;
  ASSERT_EQ(other.Add(kExample), 0);
  EXPECT_EQ(other.Evaluate("Counter('a')"), "1");
}
#endif

// This library names itself like any module; its set brings the built-in
// functions, and holds the manager until it is uninitialised.
TEST(OwnModule, LibraryItselfContributesTheBuiltInFunctions) {
  HostedManager host;
  ASSERT_EQ(host.Add("libquenloft.so"), 0);
  EXPECT_EQ(host.Evaluate("Concat('a', 'b')"), "ab");
  host.Terminate();
  EXPECT_EQ(host.manager()->HasResolverFor("Concat('a', 'b')"), 1);
}

}  // namespace
}  // namespace quenloft::testing
