#include "FakeHidInterfaceCalls.h"
#include "device/UpgradeRequestScan.h"
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const std::wstring kRemote = L"\\\\?\\hid#vid_9a6c&pid_c471&mi_02#7&1&0&0000#{4d1e55b2}";
const std::wstring kTablet = L"\\\\?\\hid#vid_9a6c&pid_c472&mi_02#7&2&0&0000#{4d1e55b2}";
const std::wstring kDongle = L"\\\\?\\hid#vid_9a6c&pid_c473&mi_02#7&3&0&0000#{4d1e55b2}";
const std::wstring kKeyboard = L"\\\\?\\hid#vid_9a6c&pid_c471&mi_00#7&1&0&0000#{4d1e55b2}";
const std::wstring kMouse = L"\\\\?\\hid#vid_845e&pid_0001#0&0000&0&0#{4d1e55b2}";

class UpgradeRequestScan : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(calls.misuse, std::vector<std::string>{});
        // Every list obtained is destroyed once, every device opened is closed once.
        EXPECT_EQ(calls.listsDestroyed, calls.listsObtained);
        EXPECT_EQ(calls.devicesClosed, calls.devicesOpened);
    }

    FakeHidInterfaceCalls calls;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(UpgradeRequestScan, EveryMatchingInterfaceIsAskedInListOrder) {
    calls.interfaces = {{kMouse}, {kTablet}, {kKeyboard}, {kRemote}};
    EXPECT_TRUE(RequestUpgradeOnMatchingInterfaces(calls));
    EXPECT_EQ(calls.log, (Log{"list",                          //
                              "enum 0",  "size 0", "detail 0", //
                              "enum 1",  "size 1", "detail 1", "open 1",   "request 1",
                              "close 1", "enum 2", "size 2",   "detail 2", //
                              "enum 3",  "size 3", "detail 3", "open 3",   "request 3",
                              "close 3", "enum 4", "destroy"}));
}

TEST_F(UpgradeRequestScan, NothingPresentOrNothingMatchingOpensNothing) {
    EXPECT_FALSE(RequestUpgradeOnMatchingInterfaces(calls));
    EXPECT_EQ(calls.log, (Log{"list", "enum 0", "destroy"}));

    calls.log.clear();
    calls.interfaces = {{kMouse}, {kKeyboard}};
    EXPECT_FALSE(RequestUpgradeOnMatchingInterfaces(calls));
    EXPECT_EQ(calls.devicesOpened, 0);
    EXPECT_EQ(calls.listsObtained, 2);
}

TEST_F(UpgradeRequestScan, NoListMeansNoRequestAndNothingToDestroy) {
    calls.listFails = true;
    calls.interfaces = {{kRemote}};
    EXPECT_FALSE(RequestUpgradeOnMatchingInterfaces(calls));
    EXPECT_EQ(calls.log, (Log{"list"}));
    EXPECT_EQ(calls.listsDestroyed, 0);
}

TEST_F(UpgradeRequestScan, AnInterfaceThatCannotBeOpenedIsSkipped) {
    calls.interfaces = {{kRemote}, {kTablet, false, false, true}, {kDongle}};
    EXPECT_TRUE(RequestUpgradeOnMatchingInterfaces(calls));
    EXPECT_EQ(calls.log, (Log{"list", //
                              "enum 0", "size 0", "detail 0", "open 0", "request 0", "close 0",
                              "enum 1", "size 1", "detail 1", "open 1", //
                              "enum 2", "size 2", "detail 2", "open 2", "request 2", "close 2",
                              "enum 3", "destroy"}));
}

TEST_F(UpgradeRequestScan, AFailedOpenNeitherEndsTheScanNorCountsAsSent) {
    calls.interfaces = {{kRemote, false, false, true}, {kTablet}};
    EXPECT_TRUE(RequestUpgradeOnMatchingInterfaces(calls));
    EXPECT_EQ(calls.devicesOpened, 1);

    FakeHidInterfaceCalls onlyFailing;
    onlyFailing.interfaces = {{kRemote, false, false, true}, {kDongle, false, false, true}};
    EXPECT_FALSE(RequestUpgradeOnMatchingInterfaces(onlyFailing));
    EXPECT_EQ(onlyFailing.log, (Log{"list", "enum 0", "size 0", "detail 0", "open 0", "enum 1",
                                    "size 1", "detail 1", "open 1", "enum 2", "destroy"}));
}

TEST_F(UpgradeRequestScan, InterfacesWhoseDetailCannotBeReadAreSkipped) {
    calls.interfaces = {{kRemote, true, false, false}, {kTablet, false, true, false}, {kDongle}};
    EXPECT_TRUE(RequestUpgradeOnMatchingInterfaces(calls));
    EXPECT_EQ(calls.log, (Log{"list",                         //
                              "enum 0", "size 0",             //
                              "enum 1", "size 1", "detail 1", //
                              "enum 2", "size 2", "detail 2", "open 2", "request 2", "close 2",
                              "enum 3", "destroy"}));
}

TEST_F(UpgradeRequestScan, AnExceptionStillClosesTheDeviceAndDestroysTheList) {
    calls.interfaces = {{kRemote}, {kTablet}};
    calls.requestThrows = true;
    EXPECT_THROW(RequestUpgradeOnMatchingInterfaces(calls), std::runtime_error);
    EXPECT_EQ(calls.log, (Log{"list", "enum 0", "size 0", "detail 0", "open 0", "request 0",
                              "close 0", "destroy"}));
}

TEST_F(UpgradeRequestScan, DevicesAreCountedOnceWhateverTheirCollectionsAndNothingIsAsked) {
    // The collections of one interface share the instance but for its last part.
    const std::wstring col1 = L"\\\\?\\hid#vid_9a6c&pid_c471&mi_02&col01#8&2c3f&0&0000#{4d1e55b2}";
    const std::wstring col2 = L"\\\\?\\HID#VID_9A6C&PID_C471&MI_02&COL02#8&2C3F&0&0001#{4d1e55b2}";
    const std::wstring other = L"\\\\?\\hid#vid_9a6c&pid_c471&mi_02&col01#8&51a&0&0000#{4d1e55b2}";
    const std::pair<std::vector<FakeHidInterface>, std::size_t> cases[] = {
        {{{col1}, {kMouse}, {col2}}, 1},
        {{{col1}, {col2}, {other}}, 2},
        {{{kRemote}, {kDongle, false, false, true}}, 1},
        {{{kRemote}, {kDongle}}, 2},
    };
    for (const auto& [interfaces, devices] : cases) {
        FakeHidInterfaceCalls scan;
        scan.interfaces = interfaces;
        EXPECT_EQ(CountMatchingDevices(scan), devices);
        EXPECT_EQ(std::count(scan.log.begin(), scan.log.end(), "request 0"), 0);
        EXPECT_EQ(scan.devicesClosed, scan.devicesOpened);
    }
}
