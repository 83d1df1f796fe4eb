// The Windows side of the platform layer against the services it wraps.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/environment.h"
#include "platform/module.h"
#include "platform/xslt.h"

namespace quenloft::platform {
namespace {

std::string SystemTempPath() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH, buffer);
  return std::string(buffer, length);
}

TEST(WindowsEnvironment, TempFolderIsTheSystemsWithItsBackslash) {
  const std::string path = TempFolderPath();
  EXPECT_EQ(path, SystemTempPath());
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.back(), '\\');
}

TEST(WindowsEnvironment, DriveRootGivesVersionWordAndVolume) {
  const std::string temp = SystemTempPath();
  ASSERT_GE(temp.size(), 3u);
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
}

TEST(WindowsEnvironment, OnlyALetteredDriveRootIsExamined) {
  const std::string temp = SystemTempPath();
  const char lower[] = {static_cast<char>(std::tolower(temp[0])), ':', '\\', 'x', '\0'};
  EXPECT_TRUE(QueryEnvironment(lower).has_value());
  for (const char* path : {"\\\\server\\share\\", "C:/Temp/", "C:", "", "Temp\\", "/tmp/"})
    EXPECT_FALSE(QueryEnvironment(path).has_value()) << path;
}

TEST(WindowsModules, OwnPathIsTheFileHoldingTheCode) {
  // The platform layer is linked into this program here.
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  EXPECT_EQ(OwnModulePath(), exe);
}

TEST(WindowsModules, FindLoadAndRelease) {
  ModuleHandle kernel = FindLoadedModule("kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_NE(FindEntryPoint(kernel, "GetVersion"), nullptr);
  EXPECT_EQ(FindEntryPoint(kernel, "NoSuchEntryPoint"), nullptr);
  EXPECT_EQ(FindEntryPoint(nullptr, "GetVersion"), nullptr);
  EXPECT_EQ(FindLoadedModule("quenloft-no-such-module.dll"), nullptr);

  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  EXPECT_EQ(LoadModule((folder / "quenloft-no-such-module.dll").string()), nullptr);
  // A file that is no module fails without a dialog box.
  const std::filesystem::path text = folder / "quenloft-not-a-module.dll";
  std::ofstream(text) << "not a module";
  EXPECT_EQ(LoadModule(text.string()), nullptr);
  std::filesystem::remove(text);

  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  ModuleHandle loaded = LoadModule(std::string(system) + "\\version.dll");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(FindLoadedModule("version.dll"), loaded);
  ReleaseModule(loaded);
  ReleaseModule(nullptr);
}

constexpr char kStylesheet[] =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"text\"/>"
    "<xsl:template match=\"/\"><xsl:for-each select=\"list/item\">"
    "<xsl:value-of select=\".\"/>;</xsl:for-each></xsl:template></xsl:stylesheet>";

TEST(WindowsTransform, AppliesTheStyleSheet) {
  EXPECT_EQ(TransformXml("<list><item>a</item><item>b &amp; c</item></list>", kStylesheet),
            "a;b & c;");
}

TEST(WindowsTransform, FailuresGiveNothing) {
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
