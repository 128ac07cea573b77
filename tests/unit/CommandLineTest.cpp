#include "runner/CommandLine.h"
#include <gtest/gtest.h>
#include <string>

// What every tool's line starts with.
const std::wstring kCmd = L"cmd /d /e:on /v:off /c ";

TEST(ToolCommandLine, UsualLinesAreExactlyTheFixedFormats) {
    EXPECT_EQ(DfuUpgradeCommandLine(L"fw\\remote_dfu.zip", L"COM7"),
              kCmd + L"nrfutil dfu serial -pkg fw\\remote_dfu.zip -p COM7");
    EXPECT_EQ(DfuUpgradeCommandLine(L"C:\\fw\\remote-1.2_dfu.zip", L"COM12"),
              kCmd + L"nrfutil dfu serial -pkg C:\\fw\\remote-1.2_dfu.zip -p COM12");
    EXPECT_EQ(EraseAllCommandLine(), kCmd + L"nrfjprog --family NRF52 --eraseall");
    EXPECT_EQ(ProgramCommandLine(L"firmware\\remote.hex"),
              kCmd + L"nrfjprog --family NRF52 --program firmware\\remote.hex --verify");
    EXPECT_EQ(ResetCommandLine(), kCmd + L"nrfjprog --family NRF52 --reset");
}

TEST(ToolCommandLine, PathsWithABlankOrCmdCharactersAreQuoted) {
    EXPECT_EQ(ProgramCommandLine(L"C:\\My Firmware\\remote.hex"),
              kCmd + L"nrfjprog --family NRF52 --program \"C:\\My Firmware\\remote.hex\" --verify");
    EXPECT_EQ(DfuUpgradeCommandLine(L"fw\\a&b.zip", L"COM7"),
              kCmd + L"nrfutil dfu serial -pkg \"fw\\a&b.zip\" -p COM7");
    for (const wchar_t special : std::wstring(L" &|<>^(),;=")) {
        const std::wstring value = std::wstring(L"a") + special + L"b.hex";
        EXPECT_EQ(CommandArgument(value), L"\"" + value + L"\"") << static_cast<int>(special);
    }
    EXPECT_EQ(CommandArgument(L"fw (1)\\x.hex & calc"), L"\"fw (1)\\x.hex & calc\"");
}

TEST(ToolCommandLine, OtherCharactersStandAsTheyAre) {
    for (const wchar_t* value :
         {L"remote.hex", L"C:\\fw\\x-y_z.1.hex", L"\\\\server\\share\\r.hex", L"d:/fw/r.hex",
          L"固件\\遥控器.hex", L"a!b@d#e$f~g`h'i.hex", L"C:\\fw\\"}) {
        EXPECT_EQ(CommandArgument(value), value);
    }
}

TEST(ToolCommandLine, AQuotedPathKeepsItsTrailingBackslashes) {
    // "C:\My Dir\" would hand the tool an escaped quote; the closing backslashes are doubled.
    EXPECT_EQ(CommandArgument(L"C:\\My Dir\\"), L"\"C:\\My Dir\\\\\"");
    EXPECT_EQ(CommandArgument(L"a b\\\\"), L"\"a b\\\\\\\\\"");
    EXPECT_EQ(CommandArgument(L"a\\b c"), L"\"a\\b c\"") << "inner backslashes stay";
}

TEST(ToolCommandLine, AnEmptyValueStaysOneArgument) {
    EXPECT_EQ(DfuUpgradeCommandLine(L"", L"COM7"), kCmd + L"nrfutil dfu serial -pkg \"\" -p COM7");
    EXPECT_EQ(ProgramCommandLine(L""), kCmd + L"nrfjprog --family NRF52 --program \"\" --verify");
}

TEST(ToolCommandLine, ValuesThatCannotBeMadeSafeGiveNoLine) {
    for (const std::wstring& value :
         {std::wstring(L"a\"b.hex"), std::wstring(L"a.hex\" & calc & \""), std::wstring(L"a\r\nb"),
          std::wstring(L"a\nb"), std::wstring(L"a\tb"), std::wstring(L"a\x7F"),
          std::wstring(L"a\0b", 3)}) {
        EXPECT_EQ(CommandArgument(value), std::nullopt);
        EXPECT_EQ(ProgramCommandLine(value), std::nullopt);
        EXPECT_EQ(DfuUpgradeCommandLine(value, L"COM7"), std::nullopt);
        EXPECT_EQ(DfuUpgradeCommandLine(L"fw.zip", value), std::nullopt);
    }
}

TEST(ToolCommandLine, EveryPercentIsWrittenSoThatCmdExpandsNothing) {
    EXPECT_EQ(CommandArgument(L"fw\\100%OS%.zip"), L"fw\\100%%cd:~,%OS%%cd:~,%.zip");
    EXPECT_EQ(CommandArgument(L"100%"), L"100%%cd:~,%");
    EXPECT_EQ(CommandArgument(L"%%"), L"%%cd:~,%%%cd:~,%");
    EXPECT_EQ(CommandArgument(L"a %CMDCMDLINE% b"), L"\"a %%cd:~,%CMDCMDLINE%%cd:~,% b\"");
    EXPECT_EQ(DfuUpgradeCommandLine(L"C:\\fw\\%USERPROFILE%.zip", L"COM7"),
              kCmd + L"nrfutil dfu serial -pkg C:\\fw\\%%cd:~,%USERPROFILE%%cd:~,%.zip -p COM7");
    // Delayed expansion is off (/v:off), so "!" and "^" need nothing; "^" is quoted anyway.
    EXPECT_EQ(CommandArgument(L"a!b!.zip"), L"a!b!.zip");
    EXPECT_EQ(CommandArgument(L"a^b!c.zip"), L"\"a^b!c.zip\"");
}
