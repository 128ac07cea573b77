#include "AppUnderTest.h"
#include <gtest/gtest.h>

// The embedded manifest takes effect in the running program: the loader binds version 6 of the
// common controls from the side-by-side store instead of the system folder's older library.
// (Wine treats every process as DPI-aware, so that part of the manifest is checked where the
// system reads the manifest's settings, in the win32 tests.)
TEST(ManifestEffectTest, ProgramBindsCommonControlsSix) {
    TestFolder folder;
    folder.WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\n");
    AppUnderTest app(folder);
    ASSERT_NE(app.WaitForMainWindow(), nullptr);
    std::wstring path = app.Probe().commonControlsPath;
    CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
    EXPECT_NE(path.find(L"\\winsxs\\"), std::wstring::npos) << Utf8(path);
    // The program's own bitness: the 64-bit tests also drive the i686 build.
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(app.Process(), &wow64));
    EXPECT_NE(path.find(sizeof(void*) == 8 && !wow64 ? L"amd64_microsoft.windows.common-controls_"
                                                     : L"x86_microsoft.windows.common-controls_"),
              std::wstring::npos)
        << Utf8(path);
    EXPECT_NE(path.find(L"_6.0."), std::wstring::npos) << Utf8(path);
}
