#include "base/AsciiUpper.h"
#include "device/UpgradeInterfaceMatch.h"
#include <gtest/gtest.h>

TEST(AsciiUpper, ChangesTheLettersAToZAlone) {
    EXPECT_EQ(AsciiUpper(L"hid#vid_9a6c&mi_02{4d1e}"), L"HID#VID_9A6C&MI_02{4D1E}");
    // Accented, dotless, full-width and already upper-case letters stay as they are.
    EXPECT_EQ(AsciiUpper(L"\u00e4\u0131\uff56\u00ff`{Az"), L"\u00e4\u0131\uff56\u00ff`{AZ");
    EXPECT_EQ(AsciiUpper(L""), L"");
}

TEST(UpgradeInterfaceMatch, ThePathsOfTheKnownProductsMatchInAnyLetterCase) {
    EXPECT_TRUE(IsUpgradeInterfacePath(
        L"\\\\?\\hid#vid_9a6c&pid_c471&mi_02#7&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
    EXPECT_TRUE(IsUpgradeInterfacePath(L"\\\\?\\HID#VID_9A6C&PID_C472&MI_02#8&2"));
    EXPECT_TRUE(IsUpgradeInterfacePath(L"\\\\?\\hid#Vid_9A6c&Pid_c473&Mi_02#8&2"));
}

TEST(UpgradeInterfaceMatch, AnyProductOfTheMakerOnInterface02Matches) {
    EXPECT_TRUE(IsUpgradeInterfacePath(L"\\\\?\\hid#vid_9a6c&pid_0001&mi_02#1"));
    EXPECT_TRUE(IsUpgradeInterfacePath(L"\\\\?\\hid#vid_9a6c&pid_c474&mi_02#1"));
    // The two parts need be neither adjacent nor in this order.
    EXPECT_TRUE(IsUpgradeInterfacePath(L"\\\\?\\hid#mi_02&x#vid_9a6c&pid_c471&mi_00"));
}

TEST(UpgradeInterfaceMatch, OtherInterfacesAndVendorsDoNotMatch) {
    EXPECT_FALSE(IsUpgradeInterfacePath(L"\\\\?\\hid#vid_9a6c&pid_c471&mi_00#1"));
    EXPECT_FALSE(IsUpgradeInterfacePath(L"\\\\?\\hid#vid_9a6c&pid_c471&mi_01#1"));
    EXPECT_FALSE(IsUpgradeInterfacePath(L"\\\\?\\hid#vid_9a6c&pid_c471#1"));
    EXPECT_FALSE(IsUpgradeInterfacePath(L"\\\\?\\hid#vid_1234&pid_c471&mi_02#1"));
    EXPECT_FALSE(IsUpgradeInterfacePath(L"\\\\?\\hid#vid_845e&pid_0001#0&0000&0&0"));
    EXPECT_FALSE(IsUpgradeInterfacePath(L""));
    // Interface 00 does match when "MI_02" stands somewhere else after the start.
    EXPECT_TRUE(IsUpgradeInterfacePath(L"\\\\?\\hid#vid_9a6c&pid_c471&mi_00#mi_02"));
}

TEST(UpgradeInterfaceMatch, OnlyLettersAToZAreUpperCased) {
    // A dotless i or a full-width v would be upper-cased by locale-aware rules.
    EXPECT_FALSE(IsUpgradeInterfacePath(L"\\\\?\\hid#v\u0131d_9a6c&pid_c471&mi_02#1"));
    EXPECT_FALSE(IsUpgradeInterfacePath(L"\\\\?\\hid#\uff56id_9a6c&pid_c471&mi_02#1"));
}

TEST(UpgradeInterfaceMatch, AnOccurrenceAtTheStartNeverCounts) {
    EXPECT_FALSE(IsUpgradeInterfacePath(L"VID_9A6C&PID_0001&MI_02"));
    EXPECT_FALSE(IsUpgradeInterfacePath(L"vid_9a6c#pid_0001&mi_02#vid_9a6c"));
    EXPECT_FALSE(IsUpgradeInterfacePath(L"MI_02#VID_9A6C&PID_0001"));
    // The first occurrence decides, even when a later one would lie after the start.
    EXPECT_FALSE(IsUpgradeInterfacePath(L"VID_9A6C&PID_C471&MI_02#VID_9A6C&PID_C471&MI_02"));
    // A known product pattern after a vendor ID at the start still matches.
    EXPECT_TRUE(IsUpgradeInterfacePath(L"VID_9A6C#VID_9A6C&PID_C472&MI_02"));
    EXPECT_TRUE(IsUpgradeInterfacePath(L"#VID_9A6C&PID_0001&MI_02"));
}
