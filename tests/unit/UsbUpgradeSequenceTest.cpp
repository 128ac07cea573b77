#include "workflow/UsbUpgradeSequence.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Records every call in order; the port appears on poll `portOnPoll` (1-based, 0 = never).
class FakeUsbOps : public UsbUpgradeOps {
public:
    std::wstring package = L"fw\\remote.zip";
    bool packagePresent = true;
    bool triggered = true;
    int portOnPoll = 1;
    std::wstring port = L"COM7";
    std::size_t portsFound = 1; // bootloader ports in the listing of that poll
    std::size_t connected = 1;  // devices to ask and bootloader ports before the trigger

    std::vector<std::wstring> calls;
    std::vector<std::wstring> log;
    int polls = 0;
    int pauses = 0;
    std::uint64_t now = 0; // the clock, moved on by each pause
    std::wstring workerPackage, workerPort;
    UpgradeTarget readTarget = UpgradeTarget::Remote;

    void ClearResult() override { calls.push_back(L"clear"); }
    std::wstring ReadPackagePath(UpgradeTarget target) override {
        readTarget = target;
        calls.push_back(L"read");
        return package;
    }
    bool IsConfiguredFilePresent(const std::wstring& value) override {
        calls.push_back(L"check " + value);
        return packagePresent;
    }
    std::size_t CountConnectedDevices() override {
        calls.push_back(L"count");
        return connected;
    }
    bool TriggerUpgradeMode() override {
        calls.push_back(L"trigger");
        return triggered;
    }
    void AppendLog(const std::wstring& text) override {
        calls.push_back(L"log");
        log.push_back(text);
    }
    BootloaderPorts FindBootloaderPort() override {
        calls.push_back(L"poll");
        ++polls;
        if (polls != portOnPoll) {
            return {};
        }
        return {portsFound, portsFound == 1 ? port : L""};
    }
    void Pause(unsigned ms) override {
        calls.push_back(L"pause " + std::to_wstring(ms));
        ++pauses;
        now += ms;
    }
    std::uint64_t Now() override { return now; }
    void StartDfuWorker(UpgradeTarget target, const std::wstring& packagePath,
                        const std::wstring& portName) override {
        calls.push_back(L"worker " + std::wstring(SectionName(target)));
        workerPackage = packagePath;
        workerPort = portName;
    }
    void SetResultFlag(bool ok) override { calls.push_back(ok ? L"flag true" : L"flag false"); }
    void SetResultText(const std::wstring& text) override { calls.push_back(L"text " + text); }
};

struct Press {
    std::wstring packagePath = L"old package";
    std::wstring portName = L"old port";
};

} // namespace

TEST(UsbUpgradeSequence, PortFoundOnPollKGivesKMinusOnePauses) {
    for (int k = 1; k <= kBootloaderPolls; ++k) {
        FakeUsbOps ops;
        ops.portOnPoll = k;
        Press press;
        RunUsbUpgrade(ops, UpgradeTarget::Remote, press.packagePath, press.portName);
        SCOPED_TRACE(k);
        EXPECT_EQ(ops.polls, k);
        EXPECT_EQ(ops.pauses, k - 1);
        ASSERT_FALSE(ops.calls.empty());
        EXPECT_EQ(ops.calls.back(), L"worker Remote") << "no pause after the successful poll";
        EXPECT_EQ(ops.workerPort, L"COM7");
        EXPECT_EQ(ops.workerPackage, L"fw\\remote.zip");
        EXPECT_EQ(press.portName, L"COM7");
        EXPECT_EQ(press.packagePath, L"fw\\remote.zip");
    }
}

TEST(UsbUpgradeSequence, FullOrderWithTriggerAndPortOnThirdPoll) {
    FakeUsbOps ops;
    ops.portOnPoll = 3;
    Press press;
    RunUsbUpgrade(ops, UpgradeTarget::Tablet, press.packagePath, press.portName);
    const std::vector<std::wstring> expected = {L"clear",     L"read",      L"check fw\\remote.zip",
                                                L"count",     L"trigger",   L"log",
                                                L"poll",      L"pause 100", L"poll",
                                                L"pause 100", L"poll",      L"worker Tablet"};
    EXPECT_EQ(ops.calls, expected);
    EXPECT_EQ(ops.readTarget, UpgradeTarget::Tablet);
    ASSERT_EQ(ops.log.size(), 1u);
    EXPECT_EQ(ops.log[0], L"Find the device and enter the upgrade mode...\r\n");
    EXPECT_EQ(ops.log[0].size(), 47u);
}

TEST(UsbUpgradeSequence, TenEmptyPollsEndWithTheNoDeviceLine) {
    FakeUsbOps ops;
    ops.portOnPoll = 0;
    ops.triggered = false;
    Press press;
    RunUsbUpgrade(ops, UpgradeTarget::Dongle, press.packagePath, press.portName);
    EXPECT_EQ(ops.polls, 10);
    EXPECT_EQ(ops.pauses, 10) << "the tenth empty poll is followed by its pause too";
    EXPECT_EQ(ops.log, std::vector<std::wstring>{L"No device in upgrade mode was found.\r\n"});
    EXPECT_EQ(std::vector(ops.calls.end() - 3, ops.calls.end()),
              (std::vector<std::wstring>{L"log", L"flag false", L"text 失败"}));
    EXPECT_TRUE(press.portName.empty());
    EXPECT_TRUE(ops.workerPort.empty());
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), L"worker Dongle"), 0);
}

TEST(UsbUpgradeSequence, MissingPackageStopsBeforeTheTrigger) {
    FakeUsbOps ops;
    ops.packagePresent = false;
    Press press;
    RunUsbUpgrade(ops, UpgradeTarget::Dongle, press.packagePath, press.portName);
    const std::vector<std::wstring> expected = {L"clear", L"read", L"check fw\\remote.zip"};
    EXPECT_EQ(ops.calls, expected);
    EXPECT_EQ(press.packagePath, L"fw\\remote.zip") << "the member takes the value read";
    EXPECT_EQ(press.portName, L"old port") << "no poll, so the port name is left alone";
}

TEST(UsbUpgradeSequence, FalseTriggerLogsNothingButStillPolls) {
    FakeUsbOps ops;
    ops.triggered = false;
    ops.portOnPoll = 1;
    Press press;
    RunUsbUpgrade(ops, UpgradeTarget::Remote, press.packagePath, press.portName);
    EXPECT_TRUE(ops.log.empty());
    EXPECT_EQ(ops.polls, 1);
    EXPECT_EQ(ops.pauses, 0);
    EXPECT_EQ(ops.workerPort, L"COM7");
}

TEST(UsbUpgradeSequence, EmptyPollsOverwriteAnEarlierPortName) {
    FakeUsbOps ops;
    ops.portOnPoll = 0;
    Press press;
    press.portName = L"COM9";
    RunUsbUpgrade(ops, UpgradeTarget::Remote, press.packagePath, press.portName);
    EXPECT_TRUE(press.portName.empty());
}

TEST(UsbUpgradeSequence, TwoBootloaderPortsStartNothing) {
    FakeUsbOps ops;
    ops.portOnPoll = 2;
    ops.portsFound = 2;
    Press press;
    RunUsbUpgrade(ops, UpgradeTarget::Remote, press.packagePath, press.portName);
    EXPECT_EQ(ops.polls, 2) << "no further poll once two ports were seen";
    EXPECT_EQ(ops.pauses, 1);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), L"worker Remote"), 0);
    EXPECT_EQ(ops.calls.back(), L"text fail");
    EXPECT_EQ(ops.log.back(), L"More than one device is in upgrade mode. Connect only the device "
                              L"to upgrade.\r\n");
    EXPECT_TRUE(press.portName.empty());
}

TEST(UsbUpgradeSequence, MoreThanOneConnectedDeviceAsksNothing) {
    FakeUsbOps ops;
    ops.connected = 2;
    Press press;
    RunUsbUpgrade(ops, UpgradeTarget::Remote, press.packagePath, press.portName);
    EXPECT_EQ(ops.calls,
              (std::vector<std::wstring>{L"clear", L"read", L"check fw\\remote.zip", L"count",
                                         L"log", L"flag false", L"text fail"}));
    EXPECT_EQ(ops.log.back(),
              L"More than one device is connected. Connect only the device to upgrade.\r\n");
}

// After ten empty looks, a press that asked a device looks on, one look per 100 ms tick: a port on
// the first look after the press, one about 4 s after the request, none (the look at 30 s, after
// 1 s of the press and 290 ticks, is the last). One that asked none ends after its ten looks.
TEST(UsbUpgradeSequence, AnAskedDeviceIsLookedForUntilThirtySecondsAfterTheRequest) {
    for (const int portOnPoll : {11, 50, 0}) {
        SCOPED_TRACE(portOnPoll);
        FakeUsbOps ops;
        ops.portOnPoll = portOnPoll;
        Press press;
        const auto until =
            RunUsbUpgrade(ops, UpgradeTarget::Remote, press.packagePath, press.portName);
        ASSERT_TRUE(until);
        while (ops.polls < 1000) {
            ops.now += kBootloaderPollPauseMs;
            if (!ContinueUsbUpgrade(ops, UpgradeTarget::Remote, press.packagePath, press.portName,
                                    *until)) {
                break;
            }
        }
        const bool found = portOnPoll != 0;
        EXPECT_EQ(ops.polls, found ? portOnPoll : 300);
        EXPECT_EQ(ops.log.back(), found ? kUpgradeModeRequestedLine : kNoBootloaderLine);
        EXPECT_EQ(ops.log.size(), found ? 1u : 2u) << "nothing is logged while it looks";
        EXPECT_EQ(ops.calls.back(), found ? L"worker Remote" : L"text fail");
    }
    FakeUsbOps unasked;
    unasked.triggered = false;
    unasked.portOnPoll = 0;
    Press press;
    EXPECT_FALSE(RunUsbUpgrade(unasked, UpgradeTarget::Remote, press.packagePath, press.portName));
}
