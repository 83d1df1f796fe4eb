// The Windows side of the platform layer against the services it wraps,
// where the tests of every system do not reach. (Modules are loaded,
// found and let go by the module tests under Wine, and Transform succeeds
// in the function tests and the strict C host.)
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <thread>

#include "platform/environment.h"
#include "platform/xslt.h"

namespace quenloft::platform {
namespace {

TEST(WindowsEnvironment, SystemsTempFolderAndTheVersionWordAndVolumeOfALetteredDriveRoot) {
  char buffer[MAX_PATH + 1] = {};
  const std::string temp(buffer, GetTempPathA(MAX_PATH, buffer));
  ASSERT_GE(temp.size(), 3u);
  EXPECT_EQ(TempFolderPath(), temp);
  EXPECT_EQ(temp.back(), '\\');

  const std::optional<EnvironmentInfo> info = QueryEnvironment(temp);
  ASSERT_TRUE(info.has_value()) << temp;
  const DWORD version = GetVersion();
  EXPECT_EQ(info->system_name, (version & 0x80000000u) == 0 ? "Windows NT" : "Windows 9x");
  EXPECT_EQ(info->major, LOBYTE(LOWORD(version)));
  EXPECT_EQ(info->minor, HIBYTE(LOWORD(version)));
  char name[255] = {};
  DWORD flags = 0;
  const char root[4] = {temp[0], ':', '\\', '\0'};
  ASSERT_TRUE(GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, name, sizeof name));
  EXPECT_EQ(info->file_system_name, name);
  EXPECT_EQ(info->file_system_flags, flags);

  const char lower[] = {static_cast<char>(std::tolower(temp[0])), ':', '\\', 'x', '\0'};
  EXPECT_TRUE(QueryEnvironment(lower).has_value());
  for (const char* path : {"\\\\server\\share\\", "C:/Temp/", "C:", "", "Temp\\", "/tmp/"})
    EXPECT_FALSE(QueryEnvironment(path).has_value()) << path;
}

constexpr char kStylesheet[] =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"text\"/><xsl:template match=\"/\">x</xsl:template></xsl:stylesheet>";

TEST(WindowsTransform, FailuresGiveNothing) {
  EXPECT_EQ(TransformXml("<list/>", kStylesheet), "x");
  EXPECT_FALSE(TransformXml("<list><item>", kStylesheet).has_value());
  EXPECT_FALSE(TransformXml("<list/>", "not a style sheet").has_value());
  EXPECT_FALSE(TransformXml("", "").has_value());
}

TEST(WindowsTransform, NeedsTheCallersComponentRuntime) {
  // This library never initialises the runtime: on a thread without it
  // the documents cannot be made.
  std::optional<std::string> result = std::string("untouched");
  std::thread([&] { result = TransformXml("<list/>", kStylesheet); }).join();
  EXPECT_FALSE(result.has_value());
}

}  // namespace
}  // namespace quenloft::platform
