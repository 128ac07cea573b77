#include "AppUnderTest.h"
#include "SimulatedDevices.h"
#include "StandInTools.h"
#include <gtest/gtest.h>

namespace {

constexpr int kUpgradeRemote = 1000;
constexpr int kLog = 1001;

const char kDfuSucceeds[] =
    "[nrfutil dfu]\n"
    "err \"2026-12-09 10:00:00,101 Using board at serial port: COM7\\r\\n\"\n"
    "pause 200\n"
    "out \"Device programmed.\\r\\n\"\n";

std::wstring Log(HWND dialog) {
    return WindowText(GetDlgItem(dialog, kLog));
}

bool LogContains(HWND dialog, const std::wstring& text, DWORD timeoutMs) {
    return WaitUntil([&] { return Log(dialog).find(text) != std::wstring::npos; }, timeoutMs);
}

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (auto at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class UsbUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteFile(L"config.ini",
                         "[Remote]\r\nzip=fw\\remote dfu.zip\r\n[Tablet]\r\nzip=tablet.zip\r\n");
        folder.WriteFile(L"fw\\remote dfu.zip", "PK\x03\x04");
    }
    void Press(HWND dialog) const {
        PostMessageW(GetDlgItem(dialog, kUpgradeRemote), BM_CLICK, 0, 0);
    }

    TestFolder folder;
};

SimulatedPort Bootloader(const wchar_t* instance, const wchar_t* com) {
    return SimulatedPort(std::wstring(L"USB\\VID_1915&PID_521F&MI_00\\") + instance,
                         std::wstring(L"nRF52 SDFU USB (") + com + L")", BootloaderHardwareIds());
}

} // namespace

TEST_F(UsbUpgradeTest, UpgradesTheRemoteThroughTheBootloaderPort) {
    StandInSession tools(kDfuSucceeds);
    SimulatedHidInterface remote(L"VID_9A6C&PID_C471&MI_02", L"7&1&0&0000",
                                 SimulatedHidInterface::Opening::Succeeds);
    auto port = Bootloader(L"PELVARO1", L"COM7");
    TestFolder elsewhere;
    AppUnderTest app(folder, elsewhere.Path());
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    ASSERT_TRUE(LogContains(dialog, L"Upgrade succeeded.", 20000)) << Utf8(Log(dialog));
    EXPECT_EQ(Log(dialog), L"Find the device and enter the upgrade mode...\r\n"
                           L"Upgrading...\r\n"
                           L"Upgrade succeeded.\r\n")
        << "the tool's own output stays out of the log";
    EXPECT_TRUE(remote.WaitForOpens(1, 1000));

    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].tool, L"nrfutil");
    EXPECT_EQ(records[0].args, (std::vector<std::wstring>{L"dfu", L"serial", L"-pkg",
                                                          L"fw\\remote dfu.zip", L"-p", L"COM7"}));
    // The tool looks for the relative package where the program checked it.
    EXPECT_EQ(records[0].currentDirectory + L"\\", folder.Path());
}

TEST_F(UsbUpgradeTest, FindsAPortThatAppearsAfterThePress) {
    StandInSession tools(kDfuSucceeds);
    SimulatedHidInterface remote(L"VID_9A6C&PID_C471&MI_02", L"7&1&0&0001",
                                 SimulatedHidInterface::Opening::Succeeds);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    ASSERT_TRUE(remote.WaitForOpens(1, 10000)) << "the press asks the device to restart";
    Sleep(300); // the device restarting into its bootloader
    auto port = Bootloader(L"PELVARO2", L"COM12");
    ASSERT_TRUE(LogContains(dialog, L"Upgrade succeeded.", 20000)) << Utf8(Log(dialog));
    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].args.back(), L"COM12");
}

TEST_F(UsbUpgradeTest, NoPortEndsSilentlyAndTheWindowAnswersAgain) {
    StandInSession tools(kDfuSucceeds);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    Sleep(200);
    EXPECT_TRUE(Responsive(dialog, 10000)) << "ten polls take about a second";
    EXPECT_EQ(app.WaitForMessageBox(500), nullptr);
    EXPECT_EQ(Log(dialog), L"");
    EXPECT_TRUE(tools.Records().empty());
    EXPECT_TRUE(app.Running());
}

TEST_F(UsbUpgradeTest, MissingPackageShowsTheMessageAndLogsNothing) {
    StandInSession tools(kDfuSucceeds);
    auto port = Bootloader(L"PELVARO3", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    PostMessageW(GetDlgItem(dialog, 1005), BM_CLICK, 0, 0); // the hidden tablet button
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Pelvaro");
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)),
              L"The configured tablet.zip file does not exist. Please confirm the configuration "
              L"file again.");
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(Responsive(dialog, 10000));
    EXPECT_EQ(Log(dialog), L"");
    EXPECT_TRUE(tools.Records().empty());
}

TEST_F(UsbUpgradeTest, TwoQuickPressesRunTwoTools) {
    StandInSession tools("[nrfutil dfu]\npause 1500\nout \"Device programmed.\\r\\n\"\n");
    auto port = Bootloader(L"PELVARO4", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    Press(dialog);
    ASSERT_TRUE(
        WaitUntil([&] { return Count(Log(dialog), L"Upgrade succeeded.\r\n") == 2; }, 20000))
        << Utf8(Log(dialog));
    EXPECT_EQ(Count(Log(dialog), L"Upgrading...\r\n"), 2u);
    EXPECT_EQ(tools.Records().size(), 2u);
}

TEST_F(UsbUpgradeTest, ClosingTheWindowDuringARunEndsTheProgram) {
    StandInSession tools("[nrfutil dfu]\nerr \"working\\r\\n\"\nawait never-created 60000\n");
    auto port = Bootloader(L"PELVARO5", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    ASSERT_TRUE(LogContains(dialog, L"Upgrading...", 10000));
    ASSERT_TRUE(WaitUntil([&] { return tools.Records().size() == 1; }, 10000));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.WaitForExit(15000)) << "a running tool does not hold the program up";
    DWORD code = STILL_ACTIVE;
    EXPECT_TRUE(app.ExitCode(code));
    EXPECT_EQ(code, 0u);
    // The tool is not the program's to stop; end it here so the test leaves nothing behind.
    for (const auto& record : tools.Records()) {
        if (HANDLE tool = OpenProcess(PROCESS_TERMINATE, FALSE, record.pid)) {
            TerminateProcess(tool, 1);
            CloseHandle(tool);
        }
    }
}
