// MapFileName with and without a host, and the system values a host
// stores.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "host_fakes.h"
#include "support/refs.h"

namespace quenloft::testing {
namespace {

enum class HostKind { kNone, kAnswers, kDeclines };

struct MapCase {
  const char* name;
  HostKind host;
  const char* path;
  int32_t result;
  const char* text;  // of the out string, which starts as "before"
};
void PrintTo(const MapCase& c, std::ostream* os) { *os << c.name; }

const MapCase kMaps[] = {
    {"DrivePathGivesFileName", HostKind::kNone, "C:/a/b/c.htm", 0, "c.htm"},
    {"DrivePathWithBackslashes", HostKind::kNone, "C:\\a\\b\\c.htm", 0, "c.htm"},
    {"NativeFullPath", HostKind::kNone, "/srv/skins/index.htm", 0, "index.htm"},
    {"NetworkPath", HostKind::kNone, "\\\\server\\share\\f.css", 0, "f.css"},
    {"FullPathWithoutExtension", HostKind::kNone, "/srv/README", 0, "README"},
    {"RelativePathGetsBackslashes", HostKind::kNone, "a/b.htm", 0, "a\\b.htm"},
    {"RelativeNameUnchanged", HostKind::kNone, "Page.HTM", 0, "Page.HTM"},
    {"EmptyPath", HostKind::kNone, "", 1, "before"},
    {"NullPath", HostKind::kNone, nullptr, 1, "before"},
    {"HostAnswerWins", HostKind::kAnswers, "C:/a/b/c.htm", 0, "host.htm"},
    {"HostDeclinesOwnRuleApplies", HostKind::kDeclines, "a/b.htm", 0, "a\\b.htm"},
    {"HostDeclinesEmptyPath", HostKind::kDeclines, "", 1, "before"},
};

class MapFileName : public ::testing::TestWithParam<MapCase> {};

TEST_P(MapFileName, MapsAsTheRuleSays) {
  const MapCase& c = GetParam();
  RecordingHost host;
  if (c.host == HostKind::kAnswers) host.map_to = "host.htm";
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.copier);
    if (c.host != HostKind::kNone) {
      ASSERT_EQ(m.copier->Initialize(&host), 0);
    }
    Ref<ICvoString> out = NewText();
    ASSERT_TRUE(out);
    out->SetText("before");
    EXPECT_EQ(m.manager->MapFileName(out.get(), c.path), c.result);
    EXPECT_EQ(TextOf(out.get()), c.text);
    if (c.host != HostKind::kNone) {
      ASSERT_EQ(host.mapped.size(), 1u) << "the host is asked first, once";
      EXPECT_EQ(host.mapped[0], c.path != nullptr ? c.path : "(null)");
    }
  }
  EXPECT_EQ(host.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, MapFileName, ::testing::ValuesIn(kMaps),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MapFileNameNulls, AreRefusedBeforeTheHostIsAsked) {
  RecordingHost host;
  host.map_to = "host.htm";
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.copier);
    EXPECT_EQ(m.manager->MapFileName(nullptr, "a/b.htm"), 1);
    ASSERT_EQ(m.copier->Initialize(&host), 0);
    Ref<ICvoString> out = NewText();
    EXPECT_EQ(m.manager->MapFileName(nullptr, "a/b.htm"), 1);
    EXPECT_EQ(m.manager->MapFileName(out.get(), nullptr), 1);
    EXPECT_TRUE(host.mapped.empty());
    EXPECT_EQ(TextOf(out.get()), "");
  }
  EXPECT_EQ(host.count(), 1);
}

// The value "System.Title" resolves to after a series of stores.
std::string TitleAfter(void (*stores)(ITplManager* manager)) {
  RecordingHost host;
  ManagerRefs m = NewManager();
  if (!m.manager || m.copier->Initialize(&host) != 0) return "(no manager)";
  stores(m.manager.get());
  Ref<ICvoString> out = NewText();
  m.manager->ResolveMacroText("System.Title", out.get());
  m.copier->Terminate();
  return TextOf(out.get());
}

struct StoreCase {
  const char* name;
  void (*stores)(ITplManager* manager);
  const char* title;
};
void PrintTo(const StoreCase& c, std::ostream* os) { *os << c.name; }

const StoreCase kStores[] = {
    {"Stored",
     [](ITplManager* m) { EXPECT_EQ(m->SetSystemValue("System.Title", "First"), 0); },
     "First"},
    {"LaterValueReplaces",
     [](ITplManager* m) {
       EXPECT_EQ(m->SetSystemValue("System.Title", "First"), 0);
       EXPECT_EQ(m->SetSystemValue("System.Title", "Second"), 0);
     },
     "Second"},
    {"NullValueStoresNothing",
     [](ITplManager* m) {
       EXPECT_EQ(m->SetSystemValue("System.Title", "First"), 0);
       EXPECT_EQ(m->SetSystemValue("System.Title", nullptr), 0);
     },
     "First"},
    {"NullNameStoresNothing",
     [](ITplManager* m) {
       EXPECT_EQ(m->SetSystemValue(nullptr, "Ignored"), 0);
       EXPECT_EQ(m->SetSystemValue(nullptr, nullptr), 0);
       EXPECT_EQ(m->SetSystemValue("System.Title", "Kept"), 0);
     },
     "Kept"},
    {"NamesAreCaseSensitive",
     [](ITplManager* m) {
       EXPECT_EQ(m->SetSystemValue("System.Title", "Exact"), 0);
       EXPECT_EQ(m->SetSystemValue("System.TITLE", "Other"), 0);
     },
     "Exact"},
    {"EmptyValueIsAValue",
     [](ITplManager* m) {
       EXPECT_EQ(m->SetSystemValue("System.Title", "First"), 0);
       EXPECT_EQ(m->SetSystemValue("System.Title", ""), 0);
     },
     ""},
};

class SystemValues : public ::testing::TestWithParam<StoreCase> {};

TEST_P(SystemValues, ResolveToTheLastStoredValue) {
  EXPECT_EQ(TitleAfter(GetParam().stores), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Table, SystemValues, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quenloft::testing
