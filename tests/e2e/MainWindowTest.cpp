#include "AppUnderTest.h"
#include "SystemDpiSetting.h"
#include <gtest/gtest.h>

namespace {

// The main window's controls in template order, with their rectangles in dialog units.
struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    int left, top, width, height;
    bool visible;
};

constexpr int kStatic = -1;
const ExpectedControl kControls[] = {
    {1000, L"Button", L"Upgrade the remote ", 19, 19, 97, 25, true},
    {1001, L"Edit", L"", 11, 70, 252, 126, true},
    {kStatic, L"Static", L"V1.0.2 20221110", 152, 217, 112, 8, true},
    {1002, L"Button", L"遥控器烧录-JLink", 17, 58, 93, 23, false},
    {kStatic, L"Button", L"JLink", 7, 49, 249, 36, false},
    {1003, L"Button", L"板子烧录-JLink", 125, 58, 93, 23, false},
    {1004, L"Button", L"接收器烧录-JLink", 151, 58, 93, 23, false},
    {kStatic, L"Button", L"USB", 7, 8, 247, 46, false},
    {1005, L"Button", L"Upgrade the tablet", 142, 20, 72, 23, false},
    {1006, L"Button", L"Upgrade the dongle", 170, 20, 69, 23, false},
    {1008, L"Static", L"Result：", 13, 198, 107, 25, true},
    {1007, L"Static", L"", 107, 198, 81, 26, true},
};

std::vector<HWND> ChildrenInOrder(HWND dialog) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        children.push_back(c);
    }
    return children;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { folder.WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\n"); }
    TestFolder folder;
};

} // namespace

TEST(StartupTest, MissingConfigShowsOneMessageAndEnds) {
    TestFolder folder;
    AppUnderTest app(folder);
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Pelvaro");
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)),
              L"The configuration file config.ini does not exist. Please keep the configuration "
              L"file and exe in the same path.");
    EXPECT_NE(GetDlgItem(box, 1088), nullptr) << "the box shows an icon";
    ASSERT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "only an OK button";
    EXPECT_EQ(GetDlgItem(box, IDYES), nullptr);
    const auto windows = app.VisibleTopLevelWindows();
    ASSERT_EQ(windows.size(), 1u) << "the message box is the only window shown";

    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(app.WaitForExit());
}

TEST(StartupTest, DirectoryNamedConfigIniStillOpensTheWindow) {
    TestFolder folder;
    folder.MakeFolder(L"config.ini");
    AppUnderTest app(folder);
    EXPECT_NE(app.WaitForMainWindow(), nullptr);
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
}

TEST_F(MainWindowTest, ControlsMatchTheTemplate) {
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    const ProbeReport probe = app.Probe();
    ASSERT_TRUE(probe.mapped);

    const auto children = ChildrenInOrder(dialog);
    ASSERT_EQ(children.size(), std::size(kControls));
    for (size_t i = 0; i < children.size(); ++i) {
        const auto& want = kControls[i];
        HWND child = children[i];
        SCOPED_TRACE(testing::Message() << "control #" << i + 1 << " id " << want.id);
        EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(want.id));
        EXPECT_EQ(WindowClass(child), want.className);
        EXPECT_EQ(WindowText(child), want.text);
        EXPECT_EQ(IsWindowVisible(child) != FALSE, want.visible);
        const RECT want_px = probe.ToPixels(want.left, want.top, want.width, want.height);
        const RECT got = ClientRectOf(child);
        EXPECT_EQ(got.left, want_px.left);
        EXPECT_EQ(got.top, want_px.top);
        EXPECT_EQ(got.right, want_px.right);
        EXPECT_EQ(got.bottom, want_px.bottom);
    }
}

TEST_F(MainWindowTest, CaptionStylesAndTabOrder) {
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    const auto style = GetWindowLongPtrW(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetMenu(dialog), nullptr);

    HWND log = GetDlgItem(dialog, 1001);
    const auto logStyle = GetWindowLongPtrW(log, GWL_STYLE);
    for (auto bit : {ES_MULTILINE, ES_READONLY, ES_AUTOHSCROLL, WS_VSCROLL, WS_TABSTOP}) {
        EXPECT_TRUE(logStyle & bit) << std::hex << bit;
    }
    // The dialog manager draws an edit box's border as a sunken client edge.
    EXPECT_TRUE((logStyle & WS_BORDER) || (GetWindowLongPtrW(log, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    EXPECT_FALSE(logStyle & ES_WANTRETURN);
    EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(dialog, 1007), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    for (int id : {1007, 1008}) {
        EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(dialog, id), GWL_STYLE) & WS_GROUP) << id;
    }
    // Tab goes from the visible button to the log box and back.
    HWND button = GetDlgItem(dialog, 1000);
    EXPECT_EQ(GetNextDlgTabItem(dialog, button, FALSE), log);
    EXPECT_EQ(GetNextDlgTabItem(dialog, log, FALSE), button);
}

TEST_F(MainWindowTest, ResultFontsAndDialogFont) {
    AppUnderTest app(folder);
    ASSERT_NE(app.WaitForMainWindow(), nullptr);
    const ProbeReport probe = app.Probe();
    for (int id : {1007, 1008}) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(probe.fonts.count(id));
        const auto& font = probe.fonts.at(id);
        EXPECT_EQ(font.face, "Arial");
        EXPECT_EQ(font.height, 38);
        EXPECT_EQ(font.weight, 800);
        EXPECT_FALSE(font.dialogFont);
    }
    ASSERT_TRUE(probe.fonts.count(0));
    EXPECT_EQ(probe.fonts.at(0).height, -MulDiv(9, 96, 72)) << "9 points at 96 dpi";
    for (int id : {1000, 1001, 1002, 1003, 1004, 1005, 1006}) {
        ASSERT_TRUE(probe.fonts.count(id)) << id;
        EXPECT_TRUE(probe.fonts.at(id).dialogFont) << id;
    }
}

// On a 200 % screen the result font grows with the dialog font instead of shrinking beside it, and
// the caption gets the small icon of that DPI. Wine reads the DPI (HKCU\Control Panel\Desktop,
// LogPixels) once per process as it starts, without a wineserver restart: this test program keeps
// its 96 while the program it starts sees 192. The setting is put back before the next program
// starts, which the second start checks, since the other tests of this prefix assume 96.
TEST_F(MainWindowTest, ResultFontAndIconsFollowTheSystemDpi) {
    {
        const SystemDpiSetting dpi(192);
        ASSERT_TRUE(dpi.Applied());
        AppUnderTest app(folder);
        ASSERT_NE(app.WaitForMainWindow(), nullptr);
        const ProbeReport probe = app.Probe();
        ASSERT_EQ(probe.dpi, 192) << "the program started at the new DPI";
        for (int id : {1007, 1008}) {
            ASSERT_TRUE(probe.fonts.count(id)) << id;
            EXPECT_EQ(probe.fonts.at(id).height, 76) << id;
            EXPECT_EQ(probe.fonts.at(id).weight, 800) << id;
        }
        ASSERT_TRUE(probe.fonts.count(0));
        EXPECT_EQ(probe.fonts.at(0).height, -MulDiv(9, 192, 72)) << "9 points at 192 dpi";
        ASSERT_TRUE(probe.icons.count("small"));
        EXPECT_TRUE(probe.icons.at("small").programIcon);
        EXPECT_EQ(probe.smallIconSize, 32);
        EXPECT_EQ(probe.icons.at("small").width, 32);
        EXPECT_EQ(probe.icons.at("big").width, 64);
    }
    AppUnderTest app(folder);
    ASSERT_NE(app.WaitForMainWindow(), nullptr);
    const ProbeReport probe = app.Probe();
    EXPECT_EQ(probe.dpi, 96) << "the setting was put back";
    ASSERT_TRUE(probe.fonts.count(1007));
    EXPECT_EQ(probe.fonts.at(1007).height, 38);
}

TEST_F(MainWindowTest, FocusStartsOnTheUpgradeButton) {
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return app.FocusedWindow() == GetDlgItem(dialog, 1000); }, 5000));
}

TEST_F(MainWindowTest, EscapeEndsTheProgram) {
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return app.FocusedWindow() != nullptr; }, 5000));
    app.PressKey(VK_ESCAPE);
    EXPECT_TRUE(app.WaitForExit(10000));
}

TEST_F(MainWindowTest, EnterInTheLogBoxEndsTheProgram) {
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    HWND log = GetDlgItem(dialog, 1001);
    PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(log), TRUE);
    ASSERT_TRUE(WaitUntil([&] { return app.FocusedWindow() == log; }, 5000));
    app.PressKey(VK_RETURN);
    EXPECT_TRUE(app.WaitForExit(10000));
}

TEST_F(MainWindowTest, EnterOnTheButtonPressesItInsteadOfEnding) {
    // The configured package is missing, so a press shows the check's message.
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return app.FocusedWindow() == GetDlgItem(dialog, 1000); }, 5000));
    app.PressKey(VK_RETURN);
    HWND box = app.WaitForMessageBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(
        WindowText(GetDlgItem(box, 0xFFFF)),
        L"The configured remote.zip file does not exist. Please confirm the configuration file "
        L"again.");
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_FALSE(app.WaitForExit(500));
}

TEST_F(MainWindowTest, ResizingMovesNoControl) {
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);
    std::vector<RECT> before;
    for (const auto& c : kControls) {
        if (c.id != kStatic) {
            before.push_back(ClientRectOf(GetDlgItem(dialog, c.id)));
        }
    }
    RECT frame;
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + 200,
                 frame.bottom - frame.top + 150, SWP_NOMOVE | SWP_NOZORDER);
    RECT bigger;
    GetWindowRect(dialog, &bigger);
    ASSERT_GT(bigger.right - bigger.left, frame.right - frame.left) << "the frame is resizable";
    size_t i = 0;
    for (const auto& c : kControls) {
        if (c.id != kStatic) {
            const RECT after = ClientRectOf(GetDlgItem(dialog, c.id));
            EXPECT_TRUE(EqualRect(&after, &before[i++])) << c.id;
        }
    }
}
