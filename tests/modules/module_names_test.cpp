// Names that module resolvers register answer statements in templates.
#include <gmock/gmock.h>

#include <cstdlib>

#include "module_test_support.h"

namespace quenloft::testing {
namespace {

struct Answer {
  const char* label;
  const char* module;
  const char* name;       // what the module's set registers
  const char* statement;  // evaluated through the manager
  const char* value;
};
// Names the case in test names and failure messages.
inline void PrintTo(const Answer& c, std::ostream* os) { *os << c.label; }


class ModuleNameTest : public ::testing::TestWithParam<Answer> {};

TEST_P(ModuleNameTest, ResolvesWhileTheSetIsInitialised) {
  HostedManager host;
  ASSERT_EQ(host.Add(GetParam().module, "p"), 0);
  EXPECT_EQ(host.manager()->HasResolverFor(GetParam().name), 0);
  EXPECT_EQ(host.Evaluate(GetParam().statement), GetParam().value);
  host.Terminate();
  EXPECT_EQ(host.manager()->HasResolverFor(GetParam().name), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ModuleNameTest,
    ::testing::Values(
        Answer{"Cpp", "libql-test-module-cpp.so", "HelloCpp", "HelloCpp", "hello from C++:p"},
        Answer{"C", "libql-test-module-c.so", "HelloC", "HelloC", "hello from C:p"},
        Answer{"CAssigned", "libql-test-module-c.so", "HelloC", "x = HelloC; x",
               "hello from C:p"}),
    [](const auto& info) { return std::string(info.param.label); });

#ifdef QL_TEST_HAVE_EXAMPLE
constexpr char kExample[] = "libquenloft-example-resolvers.so";

struct ExampleCase {
  const char* label;
  const char* statement;
  const char* value;
};
// Names the case in test names and failure messages.
inline void PrintTo(const ExampleCase& c, std::ostream* os) { *os << c.label; }


class ExampleModuleTest : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(ExampleModuleTest, Answers) {
  setenv("QL_EXAMPLE_VALUE", "from the environment", 1);
  unsetenv("QL_EXAMPLE_UNSET");
  HostedManager host;
  ASSERT_EQ(host.Add(kExample), 0);
  EXPECT_EQ(host.Evaluate(GetParam().statement), GetParam().value);
  host.Terminate();
}

INSTANTIATE_TEST_SUITE_P(
    Example, ExampleModuleTest,
    ::testing::Values(
        ExampleCase{"EnvSet", "Env('QL_EXAMPLE_VALUE')", "from the environment"},
        ExampleCase{"EnvUnset", "Env('QL_EXAMPLE_UNSET')", ""},
        // Arguments are statements: a variable is evaluated first.
        ExampleCase{"EnvFromVariable", "n = 'QL_EXAMPLE_VALUE'; Env(n)", "from the environment"},
        ExampleCase{"DateWithoutConversions", "Date('built on a day')", "built on a day"},
        ExampleCase{"CounterCounts", "Counter('a'); Counter('a'); Counter('b'); Counter('a')",
                    "1213"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ExampleModule, DateFormatsTheLocalTime) {
  HostedManager host;
  ASSERT_EQ(host.Add(kExample), 0);
  EXPECT_THAT(host.Evaluate("Date('%Y')"), ::testing::MatchesRegex("[0-9]{4}"));
  EXPECT_THAT(host.Evaluate("Date()"), ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}"));
  host.Terminate();
}

TEST(ExampleModule, CountersBelongToTheSetAndKeepCountingAcrossStatements) {
  HostedManager host;
  ASSERT_EQ(host.Add(kExample), 0);
  EXPECT_EQ(host.Evaluate("Counter('pages')"), "1");
  EXPECT_EQ(host.Evaluate("Counter('pages')"), "2");
  host.Terminate();
  // A new manager gets a new set, which counts from 1 again.
  HostedManager other;
  ASSERT_EQ(other.Add(kExample), 0);
  EXPECT_EQ(other.Evaluate("Counter('pages')"), "1");
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
