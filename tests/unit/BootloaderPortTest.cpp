#include "device/BootloaderPort.h"
#include <gtest/gtest.h>
#include <sstream>

TEST(PortNameFromFriendlyName, TakesTheTextAfterTheFirstParenthesis) {
    EXPECT_EQ(PortNameFromFriendlyName(L"Serial Device (COM7)"), L"COM7");
    EXPECT_EQ(PortNameFromFriendlyName(L"nRF52 SDFU USB (COM12)"), L"COM12");
    EXPECT_EQ(PortNameFromFriendlyName(L"Port (A) (COM3)"), L"A) (COM3");
    EXPECT_EQ(PortNameFromFriendlyName(L"((COM6)"), L"(COM6");
}

TEST(PortNameFromFriendlyName, RemovesOnlyTheRunOfClosingParenthesesAtTheEnd) {
    EXPECT_EQ(PortNameFromFriendlyName(L"Device (COM4))"), L"COM4");
    EXPECT_EQ(PortNameFromFriendlyName(L"Device (COM4)))))"), L"COM4");
    EXPECT_EQ(PortNameFromFriendlyName(L"Device (COM5) x"), L"COM5) x");
    EXPECT_EQ(PortNameFromFriendlyName(L"Device ())"), L"");
}

TEST(PortNameFromFriendlyName, WithoutParenthesisTheWholeNameCounts) {
    EXPECT_EQ(PortNameFromFriendlyName(L"COM3"), L"COM3");
    EXPECT_EQ(PortNameFromFriendlyName(L"COM3))"), L"COM3");
    EXPECT_EQ(PortNameFromFriendlyName(L""), L"");
    EXPECT_EQ(PortNameFromFriendlyName(L"Device ("), L"");
}

namespace {

constexpr wchar_t kBootloader[] = L"USB\\VID_1915&PID_521F&REV_0100&MI_00";

struct Choice {
    std::wstring port;
    std::string trace;
};

Choice Select(const std::vector<PortDeviceEntry>& entries) {
    std::ostringstream trace;
    std::wstring port = SelectBootloaderPort(entries, trace);
    return {port, trace.str()};
}

} // namespace

TEST(SelectBootloaderPort, NoPortsGiveNothingAndNoTrace) {
    const auto choice = Select({});
    EXPECT_EQ(choice.port, L"");
    EXPECT_EQ(choice.trace, "");
}

TEST(SelectBootloaderPort, TheBootloaderPortIsNamedAndTracedOnce) {
    const auto choice = Select({{L"Communications Port (COM1)", L"ACPI\\PNP0501"},
                                {L"Serial Device (COM7)", kBootloader},
                                {L"USB Serial (COM9)", L"USB\\VID_0403&PID_6001&REV_0600"}});
    EXPECT_EQ(choice.port, L"COM7");
    EXPECT_EQ(choice.trace, "find");
}

TEST(SelectBootloaderPort, TheHardwareIdMatchesInAnyLetterCase) {
    EXPECT_EQ(Select({{L"x (COM7)", L"usb\\vid_1915&pid_521f&rev_0100&mi_00"}}).port, L"COM7");
    EXPECT_EQ(Select({{L"x (COM7)", L"Usb\\Vid_1915&Pid_521F&Rev_0100&Mi_00"}}).port, L"COM7");
}

TEST(SelectBootloaderPort, OnlyTheExactHardwareIdMatches) {
    for (const wchar_t* id :
         {L"USB\\VID_1915&PID_521F&REV_0101&MI_00", // another release
          L"USB\\VID_1915&PID_521F&REV_0100&MI_01", // another interface
          L"USB\\VID_1915&PID_521F&MI_00",          // no release part
          L"USB\\VID_1915&PID_521F&REV_0100&MI_00&X", L"USB\\VID_1915&PID_521F&REV_0100&MI_00 ",
          L"USB\\VID_1915&PID_521F&REV_0100&MI_0", L" USB\\VID_1915&PID_521F&REV_0100&MI_00",
          L"USB\\VID_1915&PID_521F&REV_0100&M\u0131_00", L""}) {
        const auto choice = Select({{L"x (COM7)", id}});
        EXPECT_EQ(choice.port, L"") << ::testing::PrintToString(std::wstring(id));
        EXPECT_EQ(choice.trace, "");
    }
}

TEST(SelectBootloaderPort, TheLastMatchingPortWinsAndEveryMatchIsTraced) {
    const auto two = Select({{L"A (COM7)", kBootloader},
                             {L"B (COM3)", L"ACPI\\PNP0501"},
                             {L"C (COM8)", kBootloader},
                             {L"D (COM4)", L"USB\\VID_1915&PID_521F&MI_00"}});
    EXPECT_EQ(two.port, L"COM8");
    EXPECT_EQ(two.trace, "findfind");
}

TEST(SelectBootloaderPort, ALaterMatchWithAnEmptyNameStillWins) {
    const auto emptyName = Select({{L"A (COM7)", kBootloader}, {L"", kBootloader}});
    EXPECT_EQ(emptyName.port, L"");
    EXPECT_EQ(emptyName.trace, "findfind");
    EXPECT_EQ(Select({{L"A (COM7)", kBootloader}, {L"B (", kBootloader}}).port, L"");
}
