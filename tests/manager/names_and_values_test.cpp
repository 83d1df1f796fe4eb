// MapFileName with and without a host, and the system values a host stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_fakes.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

enum class HostKind { kNone, kAnswers, kDeclines };

TEST(MapFileName, MapsAsTheRuleSays) {
  const struct {
    HostKind host;
    const char* path;
    int32_t result;
    const char* text;  // of the out string, which starts as "before"
  } kCases[] = {
      {HostKind::kNone, "C:/a/b/c.htm", 0, "c.htm"},
      {HostKind::kNone, "C:\\a\\b\\c.htm", 0, "c.htm"},
      {HostKind::kNone, "/srv/skins/index.htm", 0, "index.htm"},
      {HostKind::kNone, "\\\\server\\share\\f.css", 0, "f.css"},
      {HostKind::kNone, "Sub/Page.HTM", 0, "Sub\\Page.HTM"},  // relative: backslashes
      {HostKind::kNone, "", 1, "before"},
      {HostKind::kNone, nullptr, 1, "before"},
      {HostKind::kAnswers, nullptr, 1, "before"},  // refused before the host is asked
      {HostKind::kAnswers, "C:/a/b/c.htm", 0, "host.htm"},
      {HostKind::kDeclines, "a/b.htm", 0, "a\\b.htm"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::Message() << (c.path != nullptr ? c.path : "(null)") << ", host "
                                      << static_cast<int>(c.host));
    RecordingHost host;
    if (c.host == HostKind::kAnswers) host.map_to = "host.htm";
    {
      ManagerRefs m = NewManager();
      ASSERT_TRUE(m.manager && m.copier);
      if (c.host != HostKind::kNone) {
        ASSERT_EQ(m.copier->Initialize(&host), 0);
      }
      Ref<ICvoString> out = NewText();
      out->SetText("before");
      EXPECT_EQ(m.manager->MapFileName(nullptr, "a/b.htm"), 1);
      EXPECT_EQ(m.manager->MapFileName(out.get(), c.path), c.result);
      EXPECT_EQ(TextOf(out.get()), c.text);
      // The host is asked first, once, and never for a null path or out string.
      const bool asked = c.host != HostKind::kNone && c.path != nullptr;
      EXPECT_EQ(host.mapped, asked ? std::vector<std::string>{c.path} : std::vector<std::string>{});
    }
    EXPECT_EQ(host.count(), 1);
  }
}

TEST(SystemValues, ResolveToTheLastStoredValue) {
  const struct {
    const char* name;  // stored under this name
    const char* value;
    const char* title;  // what System.Title resolves to afterwards
  } kSteps[] = {
      {"System.Title", "First", "First"},
      {"System.Title", "Second", "Second"},
      {"System.Title", nullptr, "Second"},  // a null value stores nothing
      {nullptr, "Ignored", "Second"},
      {nullptr, nullptr, "Second"},
      {"System.TITLE", "Other", "Second"},  // names are case-sensitive
      {"System.Title", "", ""},             // empty is a value
  };
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  for (const auto& step : kSteps) {
    SCOPED_TRACE(::testing::Message() << (step.name ? step.name : "(null)") << " = "
                                      << (step.value ? step.value : "(null)"));
    EXPECT_EQ(s.manager->SetSystemValue(step.name, step.value), 0);
    Ref<ICvoString> out = NewText();
    s.manager->ResolveMacroText("System.Title", out.get());
    EXPECT_EQ(TextOf(out.get()), step.title);
  }
}

}  // namespace
}  // namespace quenloft::testing
