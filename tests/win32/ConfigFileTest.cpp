#include "ProfileCases.h"
#include "TestFolder.h"
#include "config/ConfigFile.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace {

std::string Utf16WithBom(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

class ConfigFileTest : public ::testing::Test {
protected:
    TestFolder folder;
};

} // namespace

TEST_F(ConfigFileTest, ReadsEachSectionAndKeyInAnyLetterCase) {
    const auto ini =
        folder.WriteFile(L"config.ini", "[remote]\r\nZIP=fw\\remote.zip\r\nhex=r.hex\r\n"
                                        "[TABLET]\r\nzip=t.zip\r\nHeX = t.hex \r\n"
                                        "[Dongle]\r\nzip=d d.zip\r\nhex=D:\\d.hex\r\n");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Remote, ConfigKey::Zip), L"fw\\remote.zip");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Remote, ConfigKey::Hex), L"r.hex");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Tablet, ConfigKey::Zip), L"t.zip");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Tablet, ConfigKey::Hex), L"t.hex");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Dongle, ConfigKey::Zip), L"d d.zip");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Dongle, ConfigKey::Hex), L"D:\\d.hex");
}

TEST_F(ConfigFileTest, MissingFileSectionOrKeyGiveEmptyText) {
    const auto ini =
        folder.WriteFile(L"config.ini", "[Remote]\r\nzip=a.zip\r\n[Other]\r\nhex=x\r\n");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Remote, ConfigKey::Hex), L"");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Tablet, ConfigKey::Zip), L"");
    EXPECT_EQ(
        ReadConfiguredPath(folder.Path() + L"absent.ini", UpgradeTarget::Remote, ConfigKey::Zip),
        L"");
}

TEST_F(ConfigFileTest, LongValuesAreCutTo259Characters) {
    const std::string value(300, 'v');
    const auto ini = folder.WriteFile(L"config.ini", "[Remote]\r\nzip=" + value + "\r\n");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Remote, ConfigKey::Zip),
              std::wstring(259, L'v'));
}

TEST_F(ConfigFileTest, ReadsUtf16WithByteOrderMark) {
    const auto ini = folder.WriteFile(
        L"config.ini",
        Utf16WithBom(L"[Remote]\r\nzip=固件\\遥控器.zip\r\n[Tablet]\r\nhex=t.hex\r\n"));
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Remote, ConfigKey::Zip), L"固件\\遥控器.zip");
    EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Tablet, ConfigKey::Hex), L"t.hex");
}

TEST_F(ConfigFileTest, Utf8FilesWithoutMarkReadWhatTheSystemReaderReadsFromUtf16) {
    int n = 0;
    for (const auto& [text, remoteZip] : ProfileCases()) {
        // The comment makes each text UTF-8 with non-ASCII characters, which the program decodes.
        const std::wstring commented = L"; 说明\r\n" + text;
        for (const std::string& bytes : {Utf16WithBom(commented), Utf8(commented)}) {
            const auto ini = folder.WriteFile(std::to_wstring(n++) + L".ini", bytes);
            EXPECT_EQ(ReadConfiguredPath(ini, UpgradeTarget::Remote, ConfigKey::Zip), remoteZip)
                << Utf8(text) << (n % 2 ? " in UTF-16" : " in UTF-8");
        }
    }
}

TEST_F(ConfigFileTest, ConfiguredFileMustBeAnExistingFile) {
    const auto file = folder.WriteFile(L"fw\\remote.zip", "PK");
    EXPECT_TRUE(ConfiguredFileExists(file));                             // absolute, as it stands
    EXPECT_FALSE(ConfiguredFileExists(folder.Path() + L"fw"));           // a directory
    EXPECT_FALSE(ConfiguredFileExists(folder.Path() + L"fw\\none.zip")); // nothing there
    EXPECT_FALSE(ConfiguredFileExists(L""));                             // nothing configured
}

TEST_F(ConfigFileTest, RelativeValuesAreLookedForBelowTheExecutable) {
    const std::wstring name =
        L"pelvaro-relative-" + std::to_wstring(GetCurrentProcessId()) + L".zip";
    const std::wstring full = ModuleDirectory() + name;
    ASSERT_EQ(full, ProgramFolder() + name);
    HANDLE file = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    // The process's current directory plays no part.
    TestFolder elsewhere;
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(elsewhere.Path().c_str());
    EXPECT_TRUE(ConfiguredFileExists(name));
    SetCurrentDirectoryW(previous);
    DeleteFileW(full.c_str());
    EXPECT_FALSE(ConfiguredFileExists(name));
}

TEST_F(ConfigFileTest, PathExistsCountsDirectoriesToo) {
    folder.MakeFolder(L"config.ini");
    EXPECT_TRUE(PathExists(folder.Path() + L"\\config.ini"));
    EXPECT_FALSE(PathExists(folder.Path() + L"none.ini"));
}
