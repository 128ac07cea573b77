#include "AppUnderTest.h"
#include "ScopedVariable.h"
#include "ScreenPixels.h"
#include "SimulatedDevices.h"
#include "StandInTools.h"
#include <gtest/gtest.h>

namespace {

constexpr int kUpgradeRemote = 1000;
constexpr int kLog = 1001;
constexpr int kResult = 1007;

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

bool LogEndsWith(HWND dialog, const std::wstring& text, DWORD timeoutMs = 20000) {
    return WaitUntil([&] { return Log(dialog).ends_with(text); }, timeoutMs);
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
    void Press(HWND dialog, int button = kUpgradeRemote) const {
        WaitForRunEnd(dialog);
        PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
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
    TestFolder elsewhere;
    // Files that others dropped beside the program and in its current folder: a cmd.exe (a copy
    // of the stand-in, which records its start) and a hid.dll that notes its load, with Wine told
    // to prefer a hid.dll found on disk to its own.
    folder.CopyIn(StandInFolder() + L"nrfutil.exe", L"cmd.exe");
    elsewhere.CopyIn(StandInFolder() + L"nrfutil.exe", L"cmd.exe");
    folder.CopyIn(ProductFolder() + L"planted_hid.dll", L"hid.dll");
    const ScopedVariable nativeHid(L"WINEDLLOVERRIDES", L"mscoree,mshtml=;hid=n,b");
    AppUnderTest app(folder, elsewhere.Path());
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    // Opened once to count the devices, then to ask it to restart into its bootloader.
    ASSERT_TRUE(remote.WaitForOpens(2, 10000)) << "the device was asked to restart";
    auto port = Bootloader(L"PELVARO1", L"COM7");
    EXPECT_EQ(GetFileAttributesW((folder.Path() + L"hid.dll.loaded").c_str()),
              INVALID_FILE_ATTRIBUTES)
        << "the hid.dll beside the program was loaded";
    ASSERT_TRUE(LogContains(dialog, L"Upgrade succeeded.", 20000)) << Utf8(Log(dialog));
    EXPECT_EQ(Log(dialog), L"Find the device and enter the upgrade mode...\r\n"
                           L"Upgrading...\r\n"
                           L"Upgrade succeeded.\r\n")
        << "the tool's own output stays out of the log";

    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 1u) << "a cmd.exe beside the program or in its folder ran";
    EXPECT_EQ(records[0].tool, L"nrfutil");
    // The tool gets the full path of the package that was checked, and runs in its folder.
    EXPECT_EQ(records[0].args,
              (std::vector<std::wstring>{L"dfu", L"serial", L"-pkg",
                                         folder.Path() + L"fw\\remote dfu.zip", L"-p", L"COM7"}));
    EXPECT_EQ(records[0].currentDirectory + L"\\", folder.Path());
}

TEST_F(UsbUpgradeTest, EveryPressEndsWithItsOutcomeInTheLog) {
    // The tool's last log line and its word come in one write, so in one read.
    StandInSession tools("[nrfutil dfu]\nout \"2026-12-09 10:00:03,870 Sent packet\\r\\n"
                         "Device programmed.\\r\\n\"\n");
    auto port = Bootloader(L"PELVARO6", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    HWND result = GetDlgItem(dialog, kResult);

    Press(dialog);
    ASSERT_TRUE(LogEndsWith(dialog, L"Upgrading...\r\nUpgrade succeeded.\r\n"))
        << Utf8(Log(dialog));
    EXPECT_TRUE(ResultShows(result, L"success", kResultGreen));

    // A traceback of five lines, the last one of 300 characters: its last three show, cut.
    tools.SetScenario("[nrfutil dfu]\nawait go\nerr \"Traceback (most recent call last):\\r\\n"
                      "  File \\\"__main__.py\\\", line 1\\r\\n  File \\\"dfu.py\\\", line 2\\r\\n"
                      "    raise NordicSemiException(\\r\\n\" \"Serial port could not be opened on "
                      "COM7. Reason: \" \"x\"*251 \"\\r\\n\"\nexit 1\n");
    Press(dialog);
    ASSERT_TRUE(WaitUntil([&] { return tools.Records().size() == 2; }, 20000));
    EXPECT_TRUE(ResultShows(result, L"", kResultGreen)) << "the press cleared the label at once";
    tools.Signal(L"go");
    ASSERT_TRUE(LogEndsWith(dialog, L"Upgrading...\r\nnrfutil: File \"dfu.py\", line 2\r\n"
                                    L"nrfutil: raise NordicSemiException(\r\nnrfutil: Serial port "
                                    L"could not be opened on COM7. Reason: " +
                                        std::wstring(151, L'x') + L"...\r\nUpgrade failed.\r\n"))
        << Utf8(Log(dialog));
    EXPECT_TRUE(ResultShows(result, L"fail", kResultRed));

    // The tablet's press, so that its own text tells that this end set the label.
    folder.WriteFile(L"tablet.zip", "PK\x03\x04");
    port.Remove();
    Press(dialog, 1005);
    ASSERT_TRUE(LogEndsWith(dialog, L"Upgrade failed.\r\nNo device in upgrade mode was found.\r\n"))
        << Utf8(Log(dialog));
    EXPECT_TRUE(ResultShows(result, L"失败", kResultRed));

    // The bootloader's ID is shared: with two such ports the package could go to the wrong one.
    auto first = Bootloader(L"PELVARO7", L"COM7");
    auto second = Bootloader(L"PELVARO8", L"COM8");
    Press(dialog);
    const std::wstring several =
        L"More than one device is connected. Connect only the device to upgrade.\r\n";
    ASSERT_TRUE(LogEndsWith(dialog, L"found.\r\n" + several)) << Utf8(Log(dialog));
    EXPECT_TRUE(ResultShows(result, L"fail", kResultRed));
    // So are one device to ask beside a port, and two devices to ask; neither is asked (each press
    // opens each interface once to count it, and asking would open it again).
    second.Remove();
    SimulatedHidInterface remote(L"VID_9A6C&PID_C471&MI_02", L"7&5&0&0000",
                                 SimulatedHidInterface::Opening::Succeeds);
    Press(dialog);
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(dialog), several) == 2; }, 20000));
    first.Remove();
    SimulatedHidInterface dongle(L"VID_9A6C&PID_C473&MI_02", L"7&6&0&0000",
                                 SimulatedHidInterface::Opening::Succeeds);
    Press(dialog);
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(dialog), several) == 3; }, 20000));
    EXPECT_EQ(remote.Opens() + dongle.Opens(), 3);
    EXPECT_TRUE(Responsive(dialog, 10000));
    EXPECT_EQ(tools.Records().size(), 2u) << "no tool starts for two devices or none";
}

TEST_F(UsbUpgradeTest, AMissingNrfutilIsNamed) {
    StandInSession tools(kDfuSucceeds);
    // Nothing on the PATH but the system: cmd finds no nrfutil.
    const ScopedVariable path(L"PATH", L"C:\\windows\\system32;C:\\windows");
    auto port = Bootloader(L"PELVARO9", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    EXPECT_TRUE(
        LogEndsWith(dialog, L"Upgrading...\r\nnrfutil was not found.\r\nUpgrade failed.\r\n"))
        << Utf8(Log(dialog));
}

TEST_F(UsbUpgradeTest, PackagePathsReachTheToolAsChecked) {
    StandInSession tools(kDfuSucceeds);
    auto port = Bootloader(L"PELVARO10", L"COM7");
    // cmd would expand %OS%; "!" and "^" must pass unquoted and quoted; a value that starts with
    // one backslash is checked below the program's folder, so that is where the tool must look.
    folder.WriteFile(L"config.ini", "[Remote]\r\nzip=fw\\100%OS%!x!.zip\r\n"
                                    "[Tablet]\r\nzip=\\fw\\t %OS% ^!y!.zip\r\n");
    folder.WriteFile(L"fw\\100%OS%!x!.zip", "PK\x03\x04");
    folder.WriteFile(L"fw\\t %OS% ^!y!.zip", "PK\x03\x04");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    ASSERT_TRUE(LogEndsWith(dialog, L"Upgrade succeeded.\r\n")) << Utf8(Log(dialog));
    WaitForRunEnd(dialog);
    PostMessageW(GetDlgItem(dialog, 1005), BM_CLICK, 0, 0); // the hidden tablet button
    ASSERT_TRUE(WaitUntil([&] { return Count(Log(dialog), L"Upgrade succeeded.") == 2; }, 20000))
        << Utf8(Log(dialog));

    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].args.at(3), folder.Path() + L"fw\\100%OS%!x!.zip");
    EXPECT_EQ(records[1].args.at(3), folder.Path() + L"\\fw\\t %OS% ^!y!.zip");
}

// Windows may take seconds to show the port of a device that restarted into its bootloader: the
// looks go on up to 30 s after the request, with the window answering meanwhile.
TEST_F(UsbUpgradeTest, AnAskedDevicesPortIsLookedForUpToThirtySeconds) {
    StandInSession tools(kDfuSucceeds);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    const std::wstring requested = L"Find the device and enter the upgrade mode...\r\n";
    // The device's interface goes once it has been asked, as it restarts.
    const auto pressAsking = [&](const wchar_t* instance) {
        SimulatedHidInterface device(L"VID_9A6C&PID_C471&MI_02", instance,
                                     SimulatedHidInterface::Opening::Succeeds);
        Press(dialog);
        return LogEndsWith(dialog, requested, 10000);
    };
    const auto answerClose = [&](int button) {
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        HWND box = app.WaitForMessageBox();
        return box != nullptr && SendMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0) == 0;
    };
    ASSERT_TRUE(pressAsking(L"7&1&0&0001"));
    Sleep(3000);
    DWORD_PTR answer = TRUE;
    EXPECT_NE(SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0, SMTO_NORMAL,
                                  Scaled(2000), &answer),
              0)
        << "the window answers; the J-Link press sent to it starts nothing";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kUpgradeRemote)));
    EXPECT_EQ(Log(dialog), requested) << "nothing more is logged";
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kResult)), L"");
    auto port = Bootloader(L"PELVARO2", L"COM12");
    ASSERT_TRUE(LogEndsWith(dialog, requested + L"Upgrading...\r\nUpgrade succeeded.\r\n"));
    port.Remove();
    ASSERT_EQ(tools.Records().size(), 1u);
    EXPECT_EQ(tools.Records()[0].args.back(), L"COM12");

    // No port: No to the question goes on looking, and the end comes 30 s after the request,
    // which came after this.
    const ULONGLONG pressed = GetTickCount64();
    ASSERT_TRUE(pressAsking(L"7&1&0&0002"));
    EXPECT_TRUE(answerClose(IDNO));
    ASSERT_TRUE(
        LogEndsWith(dialog, requested + L"No device in upgrade mode was found.\r\n", 45000));
    EXPECT_GE(GetTickCount64() - pressed, 29500u);
    EXPECT_TRUE(ResultShows(GetDlgItem(dialog, kResult), L"fail", kResultRed));

    // Yes while it looks ends the program at once.
    ASSERT_TRUE(pressAsking(L"7&1&0&0003"));
    EXPECT_TRUE(answerClose(IDYES));
    DWORD code = STILL_ACTIVE;
    EXPECT_TRUE(app.WaitForExit(10000) && app.ExitCode(code) && code == 0) << code;
    EXPECT_EQ(tools.Records().size(), 1u);
}

TEST_F(UsbUpgradeTest, NoPortEndsWithItsLineAndKeysPressedMeanwhileAreDropped) {
    StandInSession tools(kDfuSucceeds);
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    HWND button = GetDlgItem(dialog, kUpgradeRemote);
    ASSERT_EQ(app.FocusedWindow(), button);

    // Space presses the focused button; the second one comes while the first press polls.
    for (int press = 0; press < 2; ++press) {
        PostMessageW(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
        PostMessageW(button, WM_KEYUP, VK_SPACE, 0xC0390001);
    }
    Sleep(200);
    EXPECT_TRUE(Responsive(dialog, 10000)) << "ten polls take about a second";
    EXPECT_TRUE(WaitForRunEnd(dialog, 5000));
    EXPECT_EQ(app.WaitForMessageBox(500), nullptr);
    EXPECT_EQ(Log(dialog), L"No device in upgrade mode was found.\r\n")
        << "a key pressed while the press held the window is dropped";
    EXPECT_EQ(app.FocusedWindow(), button) << "the pressed button has the focus again";
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

TEST_F(UsbUpgradeTest, TwoQuickPressesRunOneTool) {
    StandInSession tools("[nrfutil dfu]\npause 1500\nout \"Device programmed.\\r\\n\"\n");
    auto port = Bootloader(L"PELVARO4", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    HWND button = GetDlgItem(dialog, kUpgradeRemote);
    PostMessageW(button, BM_CLICK, 0, 0);
    PostMessageW(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(LogEndsWith(dialog, L"Upgrade succeeded.\r\n")) << Utf8(Log(dialog));
    ASSERT_TRUE(WaitForRunEnd(dialog));
    EXPECT_EQ(Log(dialog), L"Upgrading...\r\nUpgrade succeeded.\r\n");
    EXPECT_EQ(tools.Records().size(), 1u) << "the second press came during the run";
}

TEST_F(UsbUpgradeTest, ClosingDuringARunAsksFirstAndNoKeepsTheRun) {
    StandInSession tools("[nrfutil dfu]\nerr \"working\\r\\n\"\nawait go\n"
                         "out \"Device programmed.\\r\\n\"\n");
    auto port = Bootloader(L"PELVARO5", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog);
    ASSERT_TRUE(WaitUntil([&] { return tools.Records().size() == 1; }, 10000));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Pelvaro");
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)),
              L"An upgrade is still running. Closing now can leave the device without working "
              L"firmware. Close anyway?");
    EXPECT_TRUE(GetDlgItem(box, 1088) != nullptr && GetDlgItem(box, IDYES) != nullptr);
    EXPECT_EQ(GetWindowLongW(GetDlgItem(box, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    // No keeps the window and the run, whose outcome still shows (Yes: StressToolTest).
    SendMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    tools.Signal(L"go");
    EXPECT_TRUE(LogEndsWith(dialog, L"Upgrade succeeded.\r\n")) << Utf8(Log(dialog));
}
