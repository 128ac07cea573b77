// Many presses at once, and a bootloader port that comes and goes, against the real program.
#include "StressSupport.h"
#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
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

TEST_F(StressPressTest, TwentyQuickPressesOfBothWaysAllRunToTheirEnd) {
    StandInSession tools(kQuickTools);
    ToolReaper reaper(tools);
    auto port = Bootloader(L"STRESSPRESS", L"COM7");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    // Fifteen USB and five J-Link presses, all queued before the first is handled. Each J-Link
    // press holds the window for up to two seconds while its worker waits for the window.
    const int presses[] = {kUpgradeRemote, kUpgradeTablet, kJLinkRemote,   kUpgradeDongle,
                           kUpgradeRemote, kUpgradeRemote, kJLinkTablet,   kUpgradeTablet,
                           kUpgradeDongle, kUpgradeRemote, kJLinkDongle,   kUpgradeRemote,
                           kUpgradeTablet, kUpgradeDongle, kJLinkRemote,   kUpgradeRemote,
                           kUpgradeRemote, kUpgradeTablet, kUpgradeDongle, kJLinkTablet};
    std::map<std::wstring, int> packages;
    std::map<std::wstring, int> images;
    for (const int button : presses) {
        Press(dialog, button);
        switch (button) {
        case kUpgradeRemote:
            ++packages[L"remote.zip"];
            break;
        case kUpgradeTablet:
            ++packages[L"tablet.zip"];
            break;
        case kUpgradeDongle:
            ++packages[L"dongle.zip"];
            break;
        case kJLinkRemote:
            ++images[L"remote.hex"];
            break;
        case kJLinkTablet:
            ++images[L"tablet.hex"];
            break;
        default:
            ++images[L"dongle.hex"];
            break;
        }
    }
    const size_t usb = 15;
    const size_t jlink = 5;

    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto log = Text(dialog, kLog);
            return Count(log, L"Upgrade succeeded.\r\n") == usb && Count(log, L"Reset...") == jlink;
        },
        90000))
        << tools.Records().size() << " tool starts recorded; log:\n"
        << Utf8(Text(dialog, kLog));
    ASSERT_TRUE(WaitForRecords(tools, usb + 3 * jlink, 20000));
    EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));

    const std::wstring log = Text(dialog, kLog);
    EXPECT_EQ(Count(log, L"Upgrading...\r\n"), usb);
    EXPECT_EQ(Count(log, L"Eraseall...\r\n"), jlink);
    EXPECT_EQ(Count(log, L"Program...\r\n"), jlink);
    // Appends of twenty runs never interleave: every line is one of the whole lines they write.
    EXPECT_EQ(
        UnexpectedLines(log, {L"Upgrading...", L"Upgrade succeeded.", L"Eraseall...", L"Erasing.",
                              L"Program...", L"Parsing image file.", L"Reset...", L"Run.", L""}),
        std::vector<std::wstring>{});

    // Each run used the file of its own press, whatever the presses after it read.
    std::map<std::wstring, int> sentPackages;
    std::map<std::wstring, int> programmedImages;
    for (const auto& record : tools.Records()) {
        if (record.tool == L"nrfutil") {
            ASSERT_EQ(record.args.size(), 6u);
            EXPECT_EQ(record.args[5], L"COM7");
            ++sentPackages[record.args[3].substr(folder.Path().size())];
        } else if (record.args.size() == 4 && record.args[2] == L"--program") {
            ++programmedImages[record.args[3].substr(folder.Path().size())];
        }
    }
    EXPECT_EQ(sentPackages, packages);
    EXPECT_EQ(programmedImages, images);

    // Every J-Link run succeeded, so whichever wrote last, the label shows success. The last run
    // sets it only after its reset step, which may still be under way.
    std::wstring result;
    EXPECT_TRUE(WaitUntil(
        [&] {
            result = Text(dialog, kResult);
            return result == L"success" || result == L"成功";
        },
        20000))
        << Utf8(result);
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
    EXPECT_EQ(UnexpectedLines(Text(dialog, kLog), {L"Upgrading...", L"Upgrade failed.",
                                                   L"No device in upgrade mode was found.", L""}),
              std::vector<std::wstring>{})
        << "a failed run never logs success";
    EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
    std::printf("[          ] %zu of %d presses caught the port\n", started, kPresses);
}
