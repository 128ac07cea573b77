#include "ProfileCases.h"
#include "config/ConfiguredPath.h"
#include "config/ExecutablePath.h"
#include "config/ProfileValue.h"
#include "config/UpgradeTarget.h"
#include "config/Utf8ConfigText.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace std::string_literals;

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

TEST(Utf8ConfigText, DecodesMarkedFilesAndWellFormedNonAsciiOnly) {
    // Where wchar_t has 16 bits, U+1F600 becomes a surrogate pair.
    EXPECT_EQ(Utf8ConfigText("zip=固件\\😀.zip"), L"zip=固件\\\U0001F600.zip");
    EXPECT_EQ(Utf8ConfigText("\xEF\xBB\xBFzip=a"), L"zip=a");
    // After a mark, each ill-formed part is one U+FFFD: GBK's 固, then 件 cut short.
    EXPECT_EQ(Utf8ConfigText("\xEF\xBB\xBF\xB9\xCC\xE4\xBB"), L"\uFFFD\uFFFD\uFFFD");
    // Left to the system's reader: a UTF-16 mark, ASCII, GBK, UTF-8 cut off, overlong, surrogate.
    for (const std::string& bytes : {"\xFF\xFE[\0"s, "zip=a"s, ""s, "zip=\xB9\xCC"s,
                                     "zip=固\xE4\xBB"s, "\xC0\xAF"s, "\xED\xA0\x80"s}) {
        EXPECT_EQ(Utf8ConfigText(bytes), std::nullopt) << testing::PrintToString(bytes);
    }
}

TEST(Utf8ConfigText, AnUnmarkedValueIsReadTheWayThatNamesAnExistingFile) {
    // An ANSI file on a Chinese system: GBK's 平台 is well-formed UTF-8 as well.
    const std::wstring utf8 = *Utf8ConfigText("\xC6\xBD\xCC\xA8\\remote_dfu.zip");
    const std::wstring ansi = L"平台\\remote_dfu.zip";
    ASSERT_EQ(utf8, L"\u01BD\u0328\\remote_dfu.zip");
    const std::vector<std::pair<std::vector<std::wstring>, std::wstring>> cases = {
        {{ansi}, ansi}, {{utf8}, utf8}, {{}, utf8}, {{utf8, ansi}, utf8}};
    for (const auto& [present, read] : cases) {
        const auto exists = [&](const std::wstring& v) {
            return std::find(present.begin(), present.end(), v) != present.end();
        };
        EXPECT_EQ(ChooseUnmarkedReading(utf8, ansi, exists), read)
            << testing::PrintToString(present);
    }
    const auto unasked = [](const std::wstring&) { return ADD_FAILURE() << "looked up", false; };
    EXPECT_EQ(ChooseUnmarkedReading(L"a", L"a", unasked), L"a");
}

TEST(ProfileValue, ReadsTheValuesTheSystemReaderReads) {
    for (const auto& [text, remoteZip] : ProfileCases()) {
        EXPECT_EQ(ProfileValue(text, L"Remote", L"zip"), remoteZip) << testing::PrintToString(text);
    }
    EXPECT_EQ(ProfileValue(L"[Remote]\nzip=a\n[Dongle]\nHEX = d.hex", L"Dongle", L"hex"), L"d.hex");
}
