#include "AppUnderTest.h"
#include <gtest/gtest.h>

// The main window's big icon is the program's icon group at the system's standard icon size, and
// its small icon (drawn in the caption) the same group at the small icon size, so that the group's
// own small image is shown instead of the standard one shrunk.
TEST(ApplicationIconTest, MainWindowUsesTheProgramIconForBigAndSmall) {
    TestFolder folder;
    folder.WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\n");
    AppUnderTest app(folder);
    ASSERT_NE(app.WaitForMainWindow(), nullptr);
    const ProbeReport probe = app.Probe();
    const struct {
        const char* use;
        int width, height;
    } uses[] = {
        {"big", GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)},
        {"small", GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)},
    };
    for (const auto& [use, width, height] : uses) {
        SCOPED_TRACE(use);
        ASSERT_TRUE(probe.icons.count(use));
        const auto& icon = probe.icons.at(use);
        EXPECT_TRUE(icon.present);
        EXPECT_TRUE(icon.programIcon);
        EXPECT_EQ(icon.width, width);
        EXPECT_EQ(icon.height, height);
    }
}
