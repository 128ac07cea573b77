#include "device/BootloaderPort.h"
#include <gtest/gtest.h>

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

TEST(IsSerialPortName, OnlyComAndOneToThreeDigits) {
    for (const wchar_t* name : {L"COM1", L"com7", L"Com12", L"COM255", L"COM999", L"COM0"}) {
        EXPECT_TRUE(IsSerialPortName(name)) << ::testing::PrintToString(std::wstring(name));
    }
    for (const wchar_t* name : {L"", L"COM", L"COM1234", L"COMx", L"LPT1", L"COM7 ", L" COM7",
                                L"COM7 & calc", L"COM\u0661", L"\\\\.\\COM7", L"\uFF23OM7"}) {
        EXPECT_FALSE(IsSerialPortName(name)) << ::testing::PrintToString(std::wstring(name));
    }
}

namespace {

constexpr wchar_t kBootloader[] = L"USB\\VID_1915&PID_521F&REV_0100&MI_00";

} // namespace

TEST(SelectBootloaderPort, NoPortsGiveNothing) {
    const auto found = SelectBootloaderPort({});
    EXPECT_EQ(found.count, 0u);
    EXPECT_EQ(found.port, L"");
}

TEST(SelectBootloaderPort, TheBootloaderPortIsNamedAsFound) {
    const auto found = SelectBootloaderPort({{L"Communications Port (COM1)", L"ACPI\\PNP0501"},
                                             {L"Serial Device (com7)", kBootloader},
                                             {L"USB Serial (COM9)", L"USB\\VID_0403&PID_6001"}});
    EXPECT_EQ(found.count, 1u);
    EXPECT_EQ(found.port, L"com7");
}

TEST(SelectBootloaderPort, TheHardwareIdMatchesInAnyLetterCase) {
    EXPECT_EQ(SelectBootloaderPort({{L"x (COM7)", L"usb\\vid_1915&pid_521f&rev_0100&mi_00"}}).port,
              L"COM7");
    EXPECT_EQ(SelectBootloaderPort({{L"x (COM7)", L"Usb\\Vid_1915&Pid_521F&Rev_0100&Mi_00"}}).port,
              L"COM7");
}

TEST(SelectBootloaderPort, OnlyTheExactHardwareIdMatches) {
    for (const wchar_t* id :
         {L"USB\\VID_1915&PID_521F&REV_0101&MI_00", // another release
          L"USB\\VID_1915&PID_521F&REV_0100&MI_01", // another interface
          L"USB\\VID_1915&PID_521F&MI_00",          // no release part
          L"USB\\VID_1915&PID_521F&REV_0100&MI_00&X", L"USB\\VID_1915&PID_521F&REV_0100&MI_00 ",
          L"USB\\VID_1915&PID_521F&REV_0100&MI_0", L" USB\\VID_1915&PID_521F&REV_0100&MI_00",
          L"USB\\VID_1915&PID_521F&REV_0100&M\u0131_00", L""}) {
        const auto found = SelectBootloaderPort({{L"x (COM7)", id}});
        EXPECT_EQ(found.count, 0u) << ::testing::PrintToString(std::wstring(id));
        EXPECT_EQ(found.port, L"");
    }
}

TEST(SelectBootloaderPort, TwoBootloaderPortsNameNoneOfThem) {
    const auto two = SelectBootloaderPort({{L"A (COM7)", kBootloader},
                                           {L"B (COM3)", L"ACPI\\PNP0501"},
                                           {L"C (COM8)", kBootloader},
                                           {L"D (COM4)", L"USB\\VID_1915&PID_521F&MI_00"}});
    EXPECT_EQ(two.count, 2u);
    EXPECT_EQ(two.port, L"");
}

TEST(SelectBootloaderPort, ABootloaderEntryWithoutAPortNameIsNoBootloaderPort) {
    for (const wchar_t* name : {L"", L"x (COM7 & calc)"}) {
        const auto found = SelectBootloaderPort({{L"A (COM7)", kBootloader}, {name, kBootloader}});
        EXPECT_EQ(found.count, 1u) << ::testing::PrintToString(std::wstring(name));
        EXPECT_EQ(found.port, L"COM7");
    }
}
