#include "AppUnderTest.h"
#include <gtest/gtest.h>

// The main window's big and small icons are both the program's icon group at the system's
// standard icon size; the window system scales it where a small one is drawn.
TEST(ApplicationIconTest, MainWindowUsesTheProgramIconForBigAndSmall) {
    TestFolder folder;
    folder.WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\n");
    AppUnderTest app(folder);
    ASSERT_NE(app.WaitForMainWindow(), nullptr);
    const ProbeReport probe = app.Probe();
    for (const char* use : {"big", "small"}) {
        SCOPED_TRACE(use);
        ASSERT_TRUE(probe.icons.count(use));
        const auto& icon = probe.icons.at(use);
        EXPECT_TRUE(icon.present);
        EXPECT_TRUE(icon.programIcon);
        EXPECT_EQ(icon.width, GetSystemMetrics(SM_CXICON));
        EXPECT_EQ(icon.height, GetSystemMetrics(SM_CYICON));
    }
}
