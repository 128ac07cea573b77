// Many runs of the real tool runner and the real device lookups leave the process with exactly
// the handles and threads it had before them. Handles are counted in the system's handle table,
// since Wine's GetProcessHandleCount always answers 0; threads with a Toolhelp snapshot.
#include "MessageBoxWatcher.h"
#include "base/UniqueResource.h"
#include "RecordingToolLog.h"
#include "SimulatedDevices.h"
#include "StandInTools.h"
#include "device/BootloaderPortLookup.h"
#include "device/UpgradeTrigger.h"
#include "runner/ToolSteps.h"
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <vector>
#include <windows.h>
#include <winternl.h>
#include <tlhelp32.h>

namespace {

constexpr int kRuns = 100;
// Runs before the first count, so that DLLs loaded and caches filled on first use are not taken
// for leaks.
constexpr int kWarmUpRuns = 4;
// A start failure shows its message box, and under Wine on a display without a window manager
// every box takes two seconds to go away; fewer runs keep the test short.
constexpr int kBoxRuns = 10;

// SystemExtendedHandleInformation: one entry per open handle of every process.
constexpr auto kExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT creatorBackTraceIndex;
    USHORT objectType;
    ULONG attributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

using QuerySystemInformation = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);

// The number of handles this process holds, or -1 when the system does not say.
long OwnHandleCount() {
    const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) {
        return -1;
    }
    std::vector<BYTE> buffer(1 << 16);
    NTSTATUS status;
    ULONG needed = 0;
    while ((status = query(kExtendedHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &needed)) == kInfoLengthMismatch) {
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    }
    if (status != 0) {
        return -1;
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    long own = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i) {
        own += table->entries[i].processId == GetCurrentProcessId() ? 1 : 0;
    }
    return own;
}

long OwnThreadCount() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    const UniqueHandle owned(snapshot);
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof(thread);
    long own = 0;
    for (BOOL more = Thread32First(snapshot, &thread); more;
         more = Thread32Next(snapshot, &thread)) {
        own += thread.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    return own;
}

struct Counts {
    long handles;
    long threads;
};

Counts Now() {
    return {OwnHandleCount(), OwnThreadCount()};
}

// Runs the body `warmUps` times, counts, runs it `runs` times more and counts again; the
// figures go to the test's output and its XML record.
void ExpectBalanced(const char* what, int warmUps, int runs, const std::function<void(int)>& body) {
    for (int i = 0; i < warmUps; ++i) {
        body(i);
    }
    const Counts before = Now();
    ASSERT_GT(before.handles, 0) << "the system handle table gave nothing";
    ASSERT_GT(before.threads, 0) << "the thread snapshot gave nothing";
    for (int i = 0; i < runs; ++i) {
        body(warmUps + i);
    }
    const Counts after = Now();
    std::cout << "[balance] " << what << ": " << runs << " runs, handles " << before.handles
              << " -> " << after.handles << ", threads " << before.threads << " -> "
              << after.threads << std::endl;
    ::testing::Test::RecordProperty("handlesBefore", static_cast<int>(before.handles));
    ::testing::Test::RecordProperty("handlesAfter", static_cast<int>(after.handles));
    ::testing::Test::RecordProperty("threadsBefore", static_cast<int>(before.threads));
    ::testing::Test::RecordProperty("threadsAfter", static_cast<int>(after.threads));
    EXPECT_EQ(after.handles, before.handles) << what;
    EXPECT_EQ(after.threads, before.threads) << what;
}

} // namespace

// A probe that erases, fails programming halfway through its output (the runner stops reading
// while the tool still writes), writes nothing on reset, and a DFU tool that succeeds.
static const char kMixedBench[] =
    "[nrfjprog --eraseall]\n"
    "out \"Erasing user available code and UICR flash areas.\\r\\nApplying system reset.\\r\\n\"\n"
    "exit 0\n"
    "[nrfjprog --program]\n"
    "out \"Parsing image file.\\r\\nERROR: The area to write is not erased.\\r\\n\"\n"
    "out \"A\"*4096\n"
    "exit 58\n"
    "[nrfjprog --reset]\n"
    "exit 0\n"
    "[nrfutil]\n"
    "out \"Device programmed.\\r\\n\"\n"
    "exit 0\n";

// The counts must see what a leak leaves, or every balance below would hold trivially.
TEST(HandleBalance, TheCountsSeeAHandleAndAThreadLeftOpen) {
    const Counts before = Now();
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle thread(CreateThread(
        nullptr, 0, [](void*) WINAPI -> DWORD { return 0; }, nullptr, CREATE_SUSPENDED, nullptr));
    ASSERT_TRUE(event && thread);
    const Counts open = Now();
    EXPECT_EQ(open.handles, before.handles + 2);
    EXPECT_EQ(open.threads, before.threads + 1);
    ResumeThread(thread.get());
    WaitForSingleObject(thread.get(), INFINITE);
    thread.reset();
    event.reset();
    const Counts after = Now();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.threads, before.threads);
}

TEST(HandleBalance, ToolRunsLeaveNoHandleOrThreadBehind) {
    StandInSession tools(kMixedBench);
    TestFolder folder;
    int succeeded = 0;
    int failed = 0;
    ExpectBalanced("tool runs", kWarmUpRuns, kRuns, [&](int i) {
        RecordingToolLog log;
        switch (i % 4) {
        case 0:
            succeeded += RunEraseAll(folder.Path(), log) ? 1 : 0;
            break;
        case 1:
            failed += RunProgram(L"remote.hex", folder.Path(), log) ? 0 : 1;
            break;
        case 2:
            failed += RunReset(folder.Path(), log) ? 0 : 1;
            break;
        default:
            RunDfuUpgrade(L"remote_dfu.zip", L"COM7", folder.Path(), log);
            EXPECT_EQ(log.Text(), L"Upgrading...\r\nUpgrade succeeded.\r\n");
            break;
        }
    });
    // Every run really started its tool and was judged.
    constexpr int total = kWarmUpRuns + kRuns;
    EXPECT_EQ(tools.Records().size(), static_cast<std::size_t>(total));
    EXPECT_EQ(succeeded, total / 4);
    EXPECT_EQ(failed, total / 2);
}

TEST(HandleBalance, RunsThatCannotStartTheirToolLeaveNoHandleBehind) {
    StandInSession tools(kMixedBench);
    TestFolder folder;
    MessageBoxWatcher boxes;
    const std::wstring nowhere = folder.Path() + L"missing\\";
    ExpectBalanced("start failures", 2, kBoxRuns, [&](int) {
        RecordingToolLog log;
        EXPECT_FALSE(RunEraseAll(nowhere, log));
    });
    EXPECT_TRUE(tools.Records().empty());
    EXPECT_EQ(boxes.Seen().size(), static_cast<std::size_t>(2 + kBoxRuns));
}

TEST(HandleBalance, PortLookupsLeaveNoHandleBehind) {
    SimulatedPort other(L"ACPI\\PNP0501\\1", L"Communications Port (COM1)", {L"ACPI\\PNP0501"});
    SimulatedPort bootloader(L"USB\\VID_1915&PID_521F&MI_00\\BALANCE1", L"nRF52 SDFU USB (COM7)",
                             BootloaderHardwareIds());
    // Without a standard output, as a window program usually runs, the trace word is dropped.
    const HANDLE standardOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    int found = 0;
    ExpectBalanced("port lookups", kWarmUpRuns, kRuns,
                   [&](int) { found += FindBootloaderPort().port == L"COM7" ? 1 : 0; });
    SetStdHandle(STD_OUTPUT_HANDLE, standardOutput);
    EXPECT_EQ(found, kWarmUpRuns + kRuns);
}

TEST(HandleBalance, UpgradeTriggersLeaveNoHandleBehind) {
    using Opening = SimulatedHidInterface::Opening;
    // One interface that cannot be opened stays all along; one that can is made afresh for every
    // run, since each of its pipe instances takes one open only.
    SimulatedHidInterface unopenable(L"VID_9A6C&PID_C472&MI_02", L"7&9&0&0000", Opening::Fails);
    int sent = 0;
    ExpectBalanced("upgrade triggers", kWarmUpRuns, kRuns, [&](int) {
        SimulatedHidInterface device(L"VID_9A6C&PID_C471&MI_02", L"7&1&0&0000", Opening::Succeeds);
        sent += TriggerUpgradeMode() ? 1 : 0;
        EXPECT_TRUE(device.WaitForOpens(1, 5000));
        EXPECT_TRUE(device.AllOpensClosed());
    });
    EXPECT_EQ(sent, kWarmUpRuns + kRuns);
}
