#include "SimulatedDevices.h"
#include "device/UpgradeInterfaceMatch.h"
#include "device/UpgradeTrigger.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

namespace {

using Opening = SimulatedHidInterface::Opening;

constexpr DWORD kOpenWaitMs = 5000;

// The device paths of the HID interfaces that the system lists now.
std::vector<std::wstring> ListedHidPaths() {
    std::vector<std::wstring> paths;
    GUID hid;
    HidD_GetHidGuid(&hid);
    const HDEVINFO list =
        SetupDiGetClassDevsW(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) {
        return paths;
    }
    SP_DEVICE_INTERFACE_DATA item = {};
    item.cbSize = sizeof(item);
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(list, nullptr, &hid, i, &item); ++i) {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_W detail;
            BYTE bytes[1024];
        } block = {};
        block.detail.cbSize = sizeof(block.detail);
        if (SetupDiGetDeviceInterfaceDetailW(list, &item, &block.detail, sizeof(block), nullptr,
                                             nullptr)) {
            paths.push_back(block.detail.DevicePath);
        }
    }
    SetupDiDestroyDeviceInfoList(list);
    return paths;
}

} // namespace

TEST(UpgradeTrigger, NothingOfTheMakerPresentGivesFalse) {
    // Wine's own virtual HID interfaces are listed and match nothing.
    EXPECT_FALSE(TriggerUpgradeMode());
}

TEST(UpgradeTrigger, ASimulatedInterfaceIsListedWithALowerCasePath) {
    SimulatedHidInterface remote(L"VID_9A6C&PID_C471&MI_02", L"7&1&0&0000", Opening::Fails);
    EXPECT_EQ(remote.Path(), L"\\\\?\\hid#vid_9a6c&pid_c471&mi_02#7&1&0&0000#"
                             L"{4d1e55b2-f16f-11cf-88cb-001111000030}");
    auto paths = ListedHidPaths();
    EXPECT_EQ(std::count(paths.begin(), paths.end(), remote.Path()), 1);
    EXPECT_TRUE(IsUpgradeInterfacePath(remote.Path()));
    remote.Remove();
    paths = ListedHidPaths();
    EXPECT_EQ(std::count(paths.begin(), paths.end(), remote.Path()), 0);
}

TEST(UpgradeTrigger, AMatchingInterfaceIsOpenedOnceAndClosed) {
    SimulatedHidInterface remote(L"VID_9A6C&PID_C471&MI_02", L"7&1&0&0000", Opening::Succeeds);
    EXPECT_TRUE(TriggerUpgradeMode());
    EXPECT_TRUE(remote.WaitForOpens(1, kOpenWaitMs));
    EXPECT_EQ(remote.Opens(), 1);
    EXPECT_TRUE(remote.AllOpensClosed());
}

TEST(UpgradeTrigger, EveryMatchingInterfaceIsOpened) {
    SimulatedHidInterface tablet(L"VID_9A6C&PID_C472&MI_02", L"7&2&0&0000", Opening::Succeeds);
    SimulatedHidInterface dongle(L"VID_9A6C&PID_C473&MI_02", L"7&3&0&0000", Opening::Succeeds);
    SimulatedHidInterface other(L"VID_9A6C&PID_0001&MI_02", L"7&4&0&0000", Opening::Succeeds);
    EXPECT_TRUE(TriggerUpgradeMode());
    for (auto* device : {&tablet, &dongle, &other}) {
        EXPECT_TRUE(device->WaitForOpens(1, kOpenWaitMs)) << testing::PrintToString(device->Path());
        EXPECT_EQ(device->Opens(), 1);
        EXPECT_TRUE(device->AllOpensClosed());
    }
}

TEST(UpgradeTrigger, InterfacesThatDoNotMatchAreNeverOpened) {
    SimulatedHidInterface keyboard(L"VID_9A6C&PID_C471&MI_00", L"7&1&0&0000", Opening::Succeeds);
    SimulatedHidInterface stranger(L"VID_1234&PID_C471&MI_02", L"7&5&0&0000", Opening::Succeeds);
    EXPECT_FALSE(TriggerUpgradeMode());
    // The open happens inside the call; nothing can arrive later.
    EXPECT_EQ(keyboard.Opens(), 0);
    EXPECT_EQ(stranger.Opens(), 0);
}

TEST(UpgradeTrigger, AMatchingInterfaceThatCannotBeOpenedGivesFalse) {
    SimulatedHidInterface remote(L"VID_9A6C&PID_C471&MI_02", L"7&1&0&0000", Opening::Fails);
    EXPECT_FALSE(TriggerUpgradeMode());
}

TEST(UpgradeTrigger, AnInterfaceThatCannotBeOpenedDoesNotStopTheOthers) {
    // Both orders: the failing interface listed before and after the one that opens.
    for (const bool failingFirst : {true, false}) {
        SimulatedHidInterface failing(L"VID_9A6C&PID_C471&MI_02",
                                      failingFirst ? L"7&1&0&0000" : L"7&9&0&0000", Opening::Fails);
        SimulatedHidInterface opening(L"VID_9A6C&PID_C471&MI_02", L"7&5&0&0000", Opening::Succeeds);
        EXPECT_TRUE(TriggerUpgradeMode()) << failingFirst;
        EXPECT_TRUE(opening.WaitForOpens(1, kOpenWaitMs)) << failingFirst;
        EXPECT_TRUE(opening.AllOpensClosed());
    }
}

TEST(UpgradeTrigger, EveryCallAsksAgain) {
    SimulatedHidInterface remote(L"VID_9A6C&PID_C471&MI_02", L"7&1&0&0000", Opening::Succeeds);
    EXPECT_TRUE(TriggerUpgradeMode());
    EXPECT_TRUE(TriggerUpgradeMode());
    EXPECT_TRUE(remote.WaitForOpens(2, kOpenWaitMs));
    EXPECT_TRUE(remote.AllOpensClosed());
    remote.Remove();
    EXPECT_FALSE(TriggerUpgradeMode());
}
