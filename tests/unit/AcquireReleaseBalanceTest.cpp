// Many scans in a row against one fake system whose devices and failures change from scan to
// scan: whatever the scans obtained from it (lists, property buffers, open devices) they gave
// back, on the paths that end normally, early and by an exception alike. The mix is drawn from a
// fixed seed, so a failure repeats.
#include "FakeHidInterfaceCalls.h"
#include "FakePortListingCalls.h"
#include "device/PortListing.h"
#include "device/UpgradeRequestScan.h"
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <stdexcept>

namespace {

constexpr int kScans = 2000;

// Raw draws of the engine, whose sequence the standard fixes, so every platform sees one mix.
class Draw {
public:
    unsigned Below(unsigned bound) { return static_cast<unsigned>(m_engine() % bound); }
    bool OneIn(unsigned odds) { return Below(odds) == 0; }

private:
    std::minstd_rand m_engine{20240501u};
};

std::optional<FakeProperty> AnyProperty(Draw& draw, const std::wstring& text) {
    switch (draw.Below(6)) {
    case 0:
        return std::nullopt;
    case 1: {
        auto property = FakeProperty::Text(text);
        property.failsAfterSizeQuery = true;
        return property;
    }
    case 2: {
        auto property = FakeProperty::Text(text);
        property.refusesEveryBuffer = true;
        return property;
    }
    case 3: {
        // Grows between the size query and the read.
        auto property = FakeProperty::Text(text);
        property.versions.push_back(FakeProperty::Text(text + text).versions[0]);
        return property;
    }
    case 4:
        return FakeProperty::List({text, L"USB\\VID_1915&PID_521F&MI_00"});
    default:
        return FakeProperty::Text(text);
    }
}

TEST(AcquireReleaseBalance, PortListingsGiveBackEveryListAndBuffer) {
    Draw draw;
    FakePortListingCalls calls;
    int thrown = 0;
    int listed = 0;
    for (int scan = 0; scan < kScans; ++scan) {
        calls.ports.clear();
        for (unsigned i = draw.Below(4); i > 0; --i) {
            calls.ports.push_back({AnyProperty(draw, L"Port (COM" + std::to_wstring(i) + L")"),
                                   AnyProperty(draw, L"USB\\VID_1915&PID_521F&REV_0100&MI_00")});
        }
        calls.listFails = draw.OneIn(16);
        calls.allocationFails = draw.OneIn(8);
        calls.throwOnHardwareId = draw.OneIn(8);
        calls.enumFailsAt =
            draw.OneIn(8) ? std::optional<std::uint32_t>(draw.Below(3)) : std::nullopt;
        try {
            listed += static_cast<int>(ListPortDevices(calls).size());
        } catch (const std::runtime_error&) {
            ++thrown;
        }
        ASSERT_EQ(calls.BlocksHeld(), 0u) << "scan " << scan;
        ASSERT_EQ(calls.listsDestroyed, calls.listsObtained) << "scan " << scan;
    }
    std::cout << "[balance] " << kScans << " port listings: " << calls.listsObtained
              << " lists obtained, " << calls.listsDestroyed << " destroyed; "
              << calls.blocksAllocated << " buffers allocated, " << calls.BlocksHeld()
              << " still held; " << thrown << " ended by an exception" << std::endl;
    EXPECT_EQ(calls.misuse, std::vector<std::string>{});
    for (const auto held : calls.blocksHeldAtEnum) {
        EXPECT_EQ(held, 0u);
    }
    // The mix really took every path many times.
    EXPECT_GT(calls.listsObtained, kScans * 3 / 4);
    EXPECT_LT(calls.listsObtained, kScans);
    EXPECT_GT(calls.blocksAllocated, kScans);
    EXPECT_GT(thrown, kScans / 20);
    EXPECT_GT(listed, kScans / 2);
}

TEST(AcquireReleaseBalance, UpgradeRequestScansCloseEveryDeviceAndList) {
    Draw draw;
    FakeHidInterfaceCalls calls;
    int thrown = 0;
    int sent = 0;
    for (int scan = 0; scan < kScans; ++scan) {
        calls.interfaces.clear();
        calls.log.clear();
        for (unsigned i = draw.Below(5); i > 0; --i) {
            FakeHidInterface item;
            item.path = draw.OneIn(2) ? L"\\\\?\\hid#vid_9a6c&pid_c471&mi_02#" + std::to_wstring(i)
                                      : L"\\\\?\\hid#vid_845e&pid_0001#" + std::to_wstring(i);
            item.sizeQueryFails = draw.OneIn(8);
            item.detailFails = draw.OneIn(8);
            item.openFails = draw.OneIn(4);
            calls.interfaces.push_back(item);
        }
        calls.listFails = draw.OneIn(16);
        calls.requestThrows = draw.OneIn(8);
        try {
            sent += RequestUpgradeOnMatchingInterfaces(calls) ? 1 : 0;
        } catch (const std::runtime_error&) {
            ++thrown;
        }
        ASSERT_EQ(calls.devicesClosed, calls.devicesOpened) << "scan " << scan;
        ASSERT_EQ(calls.listsDestroyed, calls.listsObtained) << "scan " << scan;
    }
    std::cout << "[balance] " << kScans << " upgrade request scans: " << calls.listsObtained
              << " lists obtained, " << calls.listsDestroyed << " destroyed; "
              << calls.devicesOpened << " devices opened, " << calls.devicesClosed << " closed; "
              << thrown << " ended by an exception" << std::endl;
    EXPECT_EQ(calls.misuse, std::vector<std::string>{});
    EXPECT_GT(calls.devicesOpened, kScans / 2);
    EXPECT_GT(thrown, kScans / 50);
    EXPECT_GT(sent, kScans / 4);
}

} // namespace
