// Many presses at once, and a bootloader port that comes and goes, against the real program.
#include "StressSupport.h"
#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

using namespace stress;

namespace {

// The DFU tool logs a line shortly before its success line, as nrfutil does; while the window is
// busy both may reach the program in one read, and the success must still count.
const char kQuickTools[] =
    "[nrfutil dfu]\n"
    "err \"2026-12-09 10:00:00,101 Using board at serial port: COM7\\r\\n\"\n"
    "pause 300\n"
    "out \"Device programmed.\\r\\n\"\n"
    "[nrfjprog --eraseall]\nout \"Erasing.\\r\\n\"\n"
    "[nrfjprog --program]\nout \"Parsing image file.\\r\\n\"\n"
    "[nrfjprog --reset]\nout \"Run.\\r\\n\"\n";

// Presses a button and waits until its handler has returned; false when it did not return in time.
bool PressAndWait(HWND dialog, int button, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(GetDlgItem(dialog, button), BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs,
                               &ignored) != 0;
}

class StressPressTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\nhex=remote.hex\r\n"
                                        "[Tablet]\r\nzip=tablet.zip\r\nhex=tablet.hex\r\n"
                                        "[Dongle]\r\nzip=dongle.zip\r\nhex=dongle.hex\r\n");
        for (const wchar_t* name : {L"remote", L"tablet", L"dongle"}) {
            folder.WriteFile(std::wstring(name) + L".zip", "PK\x03\x04");
            folder.WriteFile(std::wstring(name) + L".hex", ":00000001FF\r\n");
        }
    }
    TestFolder folder;
};

} // namespace

TEST_F(StressPressTest, TwentyQuickPressesOfBothWaysRunOneAtATime) {
    StandInSession tools(kQuickTools);
    ToolReaper reaper(tools);
    auto port = Bootloader(L"STRESSPRESS", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    // Fifteen USB and five J-Link presses, all queued before the first is handled.
    const int presses[] = {kUpgradeRemote, kUpgradeTablet, kJLinkRemote,   kUpgradeDongle,
                           kUpgradeRemote, kUpgradeRemote, kJLinkTablet,   kUpgradeTablet,
                           kUpgradeDongle, kUpgradeRemote, kJLinkDongle,   kUpgradeRemote,
                           kUpgradeTablet, kUpgradeDongle, kJLinkRemote,   kUpgradeRemote,
                           kUpgradeRemote, kUpgradeTablet, kUpgradeDongle, kJLinkTablet};
    for (const int button : presses) {
        PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
    }
    ASSERT_TRUE(LogContains(dialog, L"Upgrade succeeded.\r\n", 20000)) << Utf8(Text(dialog, kLog));
    ASSERT_TRUE(WaitForRunEnd(dialog));
    EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));

    // The first press ran to its end; the others came while it ran and started nothing.
    EXPECT_EQ(Text(dialog, kLog), L"Upgrading...\r\nUpgrade succeeded.\r\n");
    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].args.at(3), folder.Path() + L"remote.zip");
    EXPECT_EQ(Text(dialog, kResult), L"success");
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
}

TEST_F(StressPressTest, PortThatComesAndGoesBetweenPollsNeverYieldsSuccess) {
    // The bootloader's port shows for 15 ms of every 100 ms, about the program's poll period, so
    // a poll may or may not see it; a run that starts finds the port gone and the tool fails as
    // nrfutil does.
    StandInSession tools(
        "[nrfutil dfu]\n"
        "err \"Serial port could not be opened on COM9. Reason: not found\\r\\n\"\n"
        "exit 1\n");
    ToolReaper reaper(tools);
    std::atomic<bool> stop{false};
    std::atomic<int> shown{0};
    std::atomic<bool> broken{false};
    std::thread flicker([&] {
        try {
            while (!stop) {
                {
                    auto port = Bootloader(L"STRESSFLICKER", L"COM9");
                    ++shown;
                    Sleep(15);
                }
                Sleep(85);
            }
        } catch (const std::exception&) {
            broken = true;
        }
    });
    struct Joiner {
        std::atomic<bool>& stop;
        std::thread& thread;
        ~Joiner() {
            stop = true;
            thread.join();
        }
    } joiner{stop, flicker};

    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    const int kPresses = 4;
    for (int press = 0; press < kPresses; ++press) {
        ASSERT_TRUE(WaitForRunEnd(dialog)) << "press " << press;
        ASSERT_TRUE(PressAndWait(dialog, kUpgradeRemote, 15000)) << "press " << press;
    }
    stop = true;
    // A run of the last press may still be on its way to its tool.
    Sleep(1500);
    // Every press ends in a line: no port found, or a run that fails on the vanished port.
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto log = Text(dialog, kLog);
            const size_t runs = tools.Records().size();
            return Count(log, L"Upgrading...") == runs && Count(log, L"Upgrade failed.") == runs &&
                   Count(log, L"No device in upgrade mode was found.") == kPresses - runs;
        },
        10000))
        << Utf8(Text(dialog, kLog));
    const size_t started = tools.Records().size();

    EXPECT_FALSE(broken.load());
    EXPECT_GE(shown.load(), kPresses) << "the port came and went all through the presses";
    EXPECT_LE(started, static_cast<size_t>(kPresses)) << "at most one run per press";
    for (const auto& record : tools.Records()) {
        EXPECT_EQ(record.args.back(), L"COM9") << "the port's name, never an empty or cut one";
    }
    EXPECT_EQ(
        UnexpectedLines(Text(dialog, kLog),
                        {L"Upgrading...", L"Upgrade failed.",
                         L"nrfutil: Serial port could not be opened on COM9. Reason: not found",
                         L"No device in upgrade mode was found.", L""}),
        std::vector<std::wstring>{})
        << "a failed run never logs success";
    EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
    std::printf("[          ] %zu of %d presses caught the port\n", started, kPresses);
}
