#include "config/ConfiguredPath.h"
#include "config/ExecutablePath.h"
#include "config/UpgradeTarget.h"
#include <gtest/gtest.h>

TEST(ExecutablePath, DirectoryKeepsTheLastBackslash) {
    EXPECT_EQ(ExecutableDirectory(L"C:\\Tools\\Pelvaro\\Pelvaro.exe"), L"C:\\Tools\\Pelvaro\\");
    EXPECT_EQ(ExecutableDirectory(L"C:\\Pelvaro.exe"), L"C:\\");
    EXPECT_EQ(ExecutableDirectory(L"\\\\server\\share\\a b\\P.exe"), L"\\\\server\\share\\a b\\");
    // Forward slashes are not separators here; only a backslash ends the directory.
    EXPECT_EQ(ExecutableDirectory(L"C:\\x/y/P.exe"), L"C:\\");
    EXPECT_EQ(ExecutableDirectory(L"Pelvaro.exe"), L"");
}

TEST(ExecutablePath, BaseNameDropsFolderAndExtension) {
    EXPECT_EQ(ExecutableBaseName(L"C:\\Tools\\Pelvaro.exe"), L"Pelvaro");
    EXPECT_EQ(ExecutableBaseName(L"C:\\my.tools\\Upgrade.v2.exe"), L"Upgrade.v2");
    EXPECT_EQ(ExecutableBaseName(L"C:\\Tools\\NoExtension"), L"NoExtension");
}

TEST(ConfiguredPath, ConfigFileHasTheDoubledBackslash) {
    EXPECT_EQ(ConfigFilePath(L"C:\\Tools\\"), L"C:\\Tools\\\\config.ini");
}

TEST(ConfiguredPath, AbsoluteValuesAreDriveLettersAndUncPaths) {
    EXPECT_TRUE(IsAbsoluteConfiguredPath(L"C:\\fw\\remote.zip"));
    EXPECT_TRUE(IsAbsoluteConfiguredPath(L"d:/fw/remote.zip"));
    EXPECT_TRUE(IsAbsoluteConfiguredPath(L"z:remote.zip"));
    EXPECT_TRUE(IsAbsoluteConfiguredPath(L"\\\\server\\fw\\remote.zip"));
    EXPECT_TRUE(IsAbsoluteConfiguredPath(L"//server/fw/remote.zip"));
    EXPECT_FALSE(IsAbsoluteConfiguredPath(L""));
    EXPECT_FALSE(IsAbsoluteConfiguredPath(L"remote.zip"));
    EXPECT_FALSE(IsAbsoluteConfiguredPath(L"fw\\remote.zip"));
    EXPECT_FALSE(IsAbsoluteConfiguredPath(L"\\fw\\remote.zip"));
    EXPECT_FALSE(IsAbsoluteConfiguredPath(L"1:\\fw"));
    EXPECT_FALSE(IsAbsoluteConfiguredPath(L"C"));
}

TEST(ConfiguredPath, RelativeValuesJoinTheDirectoryAsTyped) {
    EXPECT_EQ(ResolveConfiguredPath(L"C:\\Tools\\", L"fw\\remote.zip"),
              L"C:\\Tools\\fw\\remote.zip");
    // Nothing is trimmed or inserted.
    EXPECT_EQ(ResolveConfiguredPath(L"C:\\Tools\\", L" a.zip "), L"C:\\Tools\\ a.zip ");
    EXPECT_EQ(ResolveConfiguredPath(L"C:\\Tools\\", L""), L"C:\\Tools\\");
    EXPECT_EQ(ResolveConfiguredPath(L"C:\\Tools\\", L"D:\\fw\\a.hex"), L"D:\\fw\\a.hex");
}

TEST(ConfiguredPath, LongValuesJoinWhole) {
    const std::wstring value(259, L'a');
    EXPECT_EQ(ResolveConfiguredPath(L"C:\\T\\", value).size(), 5u + 259u);
}

TEST(ConfiguredPath, MessagesQuoteTheValueAsTyped) {
    EXPECT_EQ(MissingConfiguredFileMessage(L"fw\\r.zip"),
              L"The configured fw\\r.zip file does not exist. Please confirm the configuration "
              L"file again.");
    EXPECT_EQ(MissingConfiguredFileMessage(L""),
              L"The configured  file does not exist. Please confirm the configuration file again.");
    EXPECT_EQ(std::wstring(kMissingConfigFileMessage),
              L"The configuration file config.ini does not exist. Please keep the configuration "
              L"file and exe in the same path.");
}

TEST(UpgradeTarget, SectionsAndKeysAreSpelledAsInConfigIni) {
    EXPECT_STREQ(SectionName(UpgradeTarget::Remote), L"Remote");
    EXPECT_STREQ(SectionName(UpgradeTarget::Tablet), L"Tablet");
    EXPECT_STREQ(SectionName(UpgradeTarget::Dongle), L"Dongle");
    EXPECT_STREQ(KeyName(ConfigKey::Zip), L"zip");
    EXPECT_STREQ(KeyName(ConfigKey::Hex), L"hex");
}
