#include "FakePortListingCalls.h"
#include "device/PortListing.h"
#include <gtest/gtest.h>

void PrintTo(const PortDeviceEntry& entry, std::ostream* out) {
    *out << ::testing::PrintToString(entry.friendlyName) << " / "
         << ::testing::PrintToString(entry.hardwareId);
}

namespace {

class PortListing : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(calls.misuse, std::vector<std::string>{});
        EXPECT_EQ(calls.listsDestroyed, calls.listsObtained);
        // Both buffers of a device are gone before the next device and before the list.
        for (const auto held : calls.blocksHeldAtEnum) {
            EXPECT_EQ(held, 0u);
        }
        EXPECT_EQ(calls.blocksHeldAtDestroy, 0u);
        EXPECT_EQ(calls.BlocksHeld(), 0u);
    }

    static FakePort Port(const std::wstring& name, const std::vector<std::wstring>& ids) {
        return {FakeProperty::Text(name), FakeProperty::List(ids)};
    }

    FakePortListingCalls calls;
};

using Entries = std::vector<PortDeviceEntry>;

const std::wstring kBootloader = L"USB\\VID_1915&PID_521F&REV_0100&MI_00";

} // namespace

TEST_F(PortListing, ListsEveryPortWithItsNameAndFirstHardwareId) {
    calls.ports = {Port(L"Communications Port (COM1)", {L"ACPI\\PNP0501", L"*PNP0501"}),
                   Port(L"nRF52 SDFU USB (COM7)", {kBootloader, L"USB\\VID_1915&PID_521F&MI_00"})};
    EXPECT_EQ(ListPortDevices(calls), (Entries{{L"Communications Port (COM1)", L"ACPI\\PNP0501"},
                                               {L"nRF52 SDFU USB (COM7)", kBootloader}}));
    EXPECT_EQ(calls.listsObtained, 1);
    // Each property: the size query, then one buffer of exactly the size asked for.
    EXPECT_EQ(calls.allocationSizes, (std::vector<std::uint32_t>{54, 46, 44, 132}));
}

TEST_F(PortListing, TheBootloaderIdCountsOnlyAsTheFirstEntry) {
    calls.ports = {Port(L"Later entry (COM5)", {L"USB\\VID_1915&PID_521F&MI_00", kBootloader})};
    EXPECT_EQ(SelectBootloaderPort(ListPortDevices(calls)).count, 0u);
}

TEST_F(PortListing, NoListGivesNoPortsAndNothingToDestroy) {
    calls.listFails = true;
    calls.ports = {Port(L"x (COM7)", {kBootloader})};
    EXPECT_EQ(ListPortDevices(calls), Entries{});
    EXPECT_EQ(calls.listsDestroyed, 0);
}

TEST_F(PortListing, NoPortsGiveAnEmptyListThatIsDestroyed) {
    EXPECT_EQ(ListPortDevices(calls), Entries{});
    EXPECT_EQ(calls.listsObtained, 1);
}

TEST_F(PortListing, TheEnumerationStopsAtTheFirstFailingIndex) {
    calls.ports = {Port(L"A (COM7)", {kBootloader}), Port(L"B (COM8)", {kBootloader})};
    calls.enumFailsAt = 1;
    EXPECT_EQ(ListPortDevices(calls), (Entries{{L"A (COM7)", kBootloader}}));
    EXPECT_EQ(calls.listsDestroyed, 1);
}

TEST_F(PortListing, MissingPropertiesAreEmpty) {
    calls.ports = {{std::nullopt, FakeProperty::List({kBootloader})},
                   {FakeProperty::Text(L"No IDs (COM3)"), std::nullopt},
                   {FakeProperty::Text(L""), FakeProperty::List({})}};
    EXPECT_EQ(ListPortDevices(calls),
              (Entries{{L"", kBootloader}, {L"No IDs (COM3)", L""}, {L"", L""}}));
}

TEST_F(PortListing, AValueThatGrowsBetweenReadsIsReadAgainIntoALargerBuffer) {
    FakeProperty growing = FakeProperty::Text(L"Old (COM7)");
    growing.versions.push_back(FakeProperty::Text(L"Renamed device (COM17)").versions[0]);
    calls.ports = {{growing, FakeProperty::List({kBootloader})}};
    EXPECT_EQ(ListPortDevices(calls), (Entries{{L"Renamed device (COM17)", kBootloader}}));
    EXPECT_EQ(calls.allocationSizes, (std::vector<std::uint32_t>{22, 46, 76}));
}

TEST_F(PortListing, AReadThatFailsOtherwiseGivesAnEmptyTextAndFreesItsBuffer) {
    FakeProperty failing = FakeProperty::List({kBootloader});
    failing.failsAfterSizeQuery = true;
    calls.ports = {{FakeProperty::Text(L"A (COM7)"), failing}};
    EXPECT_EQ(ListPortDevices(calls), (Entries{{L"A (COM7)", L""}}));
    EXPECT_EQ(calls.blocksAllocated, 2);
}

TEST_F(PortListing, ASystemThatRefusesEveryBufferDoesNotKeepTheReadGoing) {
    FakeProperty refusing = FakeProperty::Text(L"A (COM7)");
    refusing.refusesEveryBuffer = true;
    calls.ports = {{refusing, FakeProperty::List({kBootloader})}};
    EXPECT_EQ(ListPortDevices(calls), (Entries{{L"", kBootloader}}));
}

TEST_F(PortListing, ABufferThatCannotBeAllocatedGivesAnEmptyText) {
    calls.ports = {Port(L"A (COM7)", {kBootloader})};
    calls.allocationFails = true;
    EXPECT_EQ(ListPortDevices(calls), (Entries{{L"", L""}}));
}

TEST_F(PortListing, AValueWithoutTerminatorEndsWithItsBuffer) {
    calls.ports = {{FakeProperty{{FakeProperty::Units(L"Raw (COM9)")}},
                    FakeProperty{{FakeProperty::Units(kBootloader)}}}};
    EXPECT_EQ(ListPortDevices(calls), (Entries{{L"Raw (COM9)", kBootloader}}));
}

TEST_F(PortListing, AnExceptionStillFreesTheBuffersAndDestroysTheList) {
    calls.ports = {Port(L"A (COM7)", {kBootloader})};
    calls.throwOnHardwareId = true;
    EXPECT_THROW(ListPortDevices(calls), std::runtime_error);
    EXPECT_EQ(calls.listsDestroyed, 1);
}

TEST(PropertyText, EndsAtTheFirstNulOrTheLastWholeUnit) {
    const std::uint16_t units[] = {'C', 'O', 'M', '7', 0, 'X'};
    EXPECT_EQ(TextUpToFirstNul(units, sizeof(units)), L"COM7");
    EXPECT_EQ(TextUpToFirstNul(units, 6), L"COM");
    EXPECT_EQ(TextUpToFirstNul(units, 7), L"COM"); // an odd byte is no unit
    EXPECT_EQ(TextUpToFirstNul(units, 0), L"");
    const std::uint16_t wide[] = {0x56FA, 0x4EF6, 0};
    EXPECT_EQ(TextUpToFirstNul(wide, sizeof(wide)), L"\u56fa\u4ef6");
}
