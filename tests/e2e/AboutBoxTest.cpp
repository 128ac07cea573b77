#include "AppUnderTest.h"
#include <cstdlib>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

namespace {

constexpr wchar_t kAboutCaption[] = L"关于 Pelvaro";
constexpr WPARAM kAboutCommand = 0x0010;
constexpr int kStatic = 0xFFFF;

// The About box's controls in template order, with their rectangles in dialog units.
struct ExpectedControl {
    int id;
    const wchar_t* className;
    int left, top, width, height;
};
const ExpectedControl kControls[] = {
    {kStatic, L"Static", 14, 14, 21, 20},
    {kStatic, L"Static", 42, 14, 114, 8},
    {kStatic, L"Static", 42, 26, 114, 8},
    {IDOK, L"Button", 113, 41, 50, 14},
};

std::vector<HWND> ChildrenInOrder(HWND dialog) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        children.push_back(c);
    }
    return children;
}

std::vector<HWND> AboutBoxes(const AppUnderTest& app) {
    std::vector<HWND> boxes;
    for (HWND w : app.VisibleTopLevelWindows()) {
        if (WindowClass(w) == L"#32770" && WindowText(w) == kAboutCaption) {
            boxes.push_back(w);
        }
    }
    return boxes;
}

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\n");
        app = std::make_unique<AppUnderTest>(folder);
        main = app->WaitForMainWindow();
        ASSERT_NE(main, nullptr);
    }

    // Sends the system command as the system menu would, and waits for the box with the focus
    // on one of its controls (so that keys reach it).
    HWND Open(WPARAM command = kAboutCommand) const {
        PostMessageW(main, WM_SYSCOMMAND, command, 0);
        HWND box = nullptr;
        WaitUntil(
            [&] {
                const auto boxes = AboutBoxes(*app);
                box = boxes.size() == 1 ? boxes.front() : nullptr;
                return box != nullptr && GetParent(app->FocusedWindow()) == box;
            },
            20000);
        return box;
    }

    bool WaitUntilClosed(HWND box) const {
        return WaitUntil([&] { return !IsWindow(box) && IsWindowEnabled(main); }, 10000);
    }

    TestFolder folder;
    std::unique_ptr<AppUnderTest> app;
    HWND main = nullptr;
};

} // namespace

TEST_F(AboutBoxTest, SystemMenuEndsWithSeparatorAndTheAboutItem) {
    const ProbeReport probe = app->Probe();
    const auto& menu = probe.systemMenu;
    ASSERT_GE(menu.size(), 3u) << "the system's own items come first";
    EXPECT_TRUE(menu[menu.size() - 2].separator);
    const auto& last = menu.back();
    EXPECT_FALSE(last.separator);
    EXPECT_EQ(last.id, 0x0010u);
    EXPECT_EQ(last.text, L"关于 Pelvaro(&A)...");
    size_t aboutItems = 0;
    for (const auto& item : menu) {
        aboutItems += item.id == 0x0010u ? 1 : 0;
    }
    EXPECT_EQ(aboutItems, 1u);
}

TEST_F(AboutBoxTest, AboutCommandOpensTheBoxWhateverItsLowBits) {
    for (WPARAM command : {WPARAM{0x0010}, WPARAM{0x0013}, WPARAM{0x001F}}) {
        SCOPED_TRACE(testing::Message() << "command 0x" << std::hex << command);
        HWND box = Open(command);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), main);
        EXPECT_FALSE(IsWindowEnabled(main)) << "the box is modal to the main window";
        SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitUntilClosed(box));
    }
}

TEST_F(AboutBoxTest, OtherSystemCommandsDoNotOpenIt) {
    // A modal box would keep a sent command from returning, so a prompt answer plus no box
    // shows that the command went on to the default handling.
    for (WPARAM command : {WPARAM{0x0000}, WPARAM{0x0020}, WPARAM{0x0110}}) {
        SCOPED_TRACE(testing::Message() << "command 0x" << std::hex << command);
        DWORD_PTR answer = 0;
        EXPECT_NE(
            SendMessageTimeoutW(main, WM_SYSCOMMAND, command, 0, SMTO_ABORTIFHUNG, 10000, &answer),
            0);
        EXPECT_TRUE(AboutBoxes(*app).empty());
        EXPECT_TRUE(IsWindowEnabled(main));
    }
    EXPECT_TRUE(app->Running());
}

TEST_F(AboutBoxTest, ShowsCaptionIconTextsAndTheOkButton) {
    HWND box = Open();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), kAboutCaption);
    const auto style = GetWindowLongPtrW(box, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(GetMenu(box), nullptr);

    const ProbeReport probe = app->Probe();
    ASSERT_TRUE(probe.aboutOpen);
    ASSERT_TRUE(probe.aboutUnits.mapped);
    const auto children = ChildrenInOrder(box);
    ASSERT_EQ(children.size(), std::size(kControls));
    for (size_t i = 0; i < children.size(); ++i) {
        const auto& want = kControls[i];
        SCOPED_TRACE(testing::Message() << "control #" << i + 1);
        EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(children[i])), want.id);
        EXPECT_EQ(WindowClass(children[i]), want.className);
        EXPECT_TRUE(IsWindowVisible(children[i]));
        const RECT wantPx = probe.aboutUnits.ToPixels(want.left, want.top, want.width, want.height);
        const RECT got = ClientRectOf(children[i]);
        EXPECT_EQ(got.left, wantPx.left);
        EXPECT_EQ(got.top, wantPx.top);
        if (i > 0) { // the icon control takes the icon's size instead (below)
            EXPECT_EQ(got.right, wantPx.right);
            EXPECT_EQ(got.bottom, wantPx.bottom);
        }
    }

    HWND icon = children[0];
    EXPECT_EQ(GetWindowLongPtrW(icon, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    ASSERT_TRUE(probe.icons.count("about"));
    const auto& shown = probe.icons.at("about");
    EXPECT_TRUE(shown.present);
    EXPECT_TRUE(shown.programIcon) << "the icon of the program's icon group";
    EXPECT_EQ(shown.width, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(shown.height, GetSystemMetrics(SM_CYICON));
    const RECT iconRect = ClientRectOf(icon);
    EXPECT_EQ(iconRect.right - iconRect.left, shown.width);
    EXPECT_EQ(iconRect.bottom - iconRect.top, shown.height);

    HWND name = children[1];
    EXPECT_EQ(WindowText(name), L"Pelvaro，1.0 版");
    EXPECT_TRUE(GetWindowLongPtrW(name, GWL_STYLE) & SS_NOPREFIX);
    EXPECT_EQ(GetWindowLongPtrW(name, GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    const std::wstring notice = WindowText(children[2]);
    EXPECT_FALSE(notice.empty());
    EXPECT_EQ(notice.find_first_of(L"\r\n"), std::wstring::npos) << "one line";

    HWND ok = children[3];
    EXPECT_EQ(WindowText(ok), L"确定");
    EXPECT_EQ(GetWindowLongPtrW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(app->FocusedWindow(), ok);
    EXPECT_EQ(LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0)), IDOK);
}

TEST_F(AboutBoxTest, ClosesOnOkEnterEscapeAndTheCloseBox) {
    const std::wstring logBefore = WindowText(GetDlgItem(main, 1001));
    const std::pair<const char*, std::function<void(HWND)>> ways[] = {
        {"OK button", [](HWND box) { SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }},
        {"Enter", [this](HWND) { app->PressKey(VK_RETURN); }},
        {"Escape", [this](HWND) { app->PressKey(VK_ESCAPE); }},
        {"close box", [](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [way, close] : ways) {
        SCOPED_TRACE(way);
        HWND box = Open();
        ASSERT_NE(box, nullptr);
        close(box);
        EXPECT_TRUE(WaitUntilClosed(box));
        EXPECT_TRUE(app->Running());
        EXPECT_TRUE(IsWindowVisible(main));
        EXPECT_EQ(app->WaitForMessageBox(0), nullptr);
        EXPECT_EQ(WindowText(GetDlgItem(main, 1001)), logBefore);
    }
}

TEST_F(AboutBoxTest, EachOpeningShowsAFreshBox) {
    HWND first = Open();
    ASSERT_NE(first, nullptr);
    HWND notice = ChildrenInOrder(first).at(2);
    const std::wstring original = WindowText(notice);
    SendMessageW(notice, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"changed"));
    ASSERT_EQ(WindowText(notice), L"changed");
    SendMessageW(GetDlgItem(first, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntilClosed(first));

    HWND second = Open();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(WindowText(ChildrenInOrder(second).at(2)), original);
    EXPECT_EQ(AboutBoxes(*app).size(), 1u);
    SendMessageW(GetDlgItem(second, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntilClosed(second));
}

TEST_F(AboutBoxTest, OpensCentredOverTheMainWindowAndInsideTheWorkArea) {
    RECT frame;
    GetWindowRect(main, &frame);
    HWND box = Open();
    ASSERT_NE(box, nullptr);
    RECT got;
    GetWindowRect(box, &got);
    EXPECT_LE(std::abs((got.left + got.right) - (frame.left + frame.right)), 1);
    EXPECT_LE(std::abs((got.top + got.bottom) - (frame.top + frame.bottom)), 1);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntilClosed(box));

    // With the main window mostly beyond the bottom right corner, the box stays in view.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(main, nullptr, work.right - 60, work.bottom - 40, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    box = Open();
    ASSERT_NE(box, nullptr);
    GetWindowRect(box, &got);
    EXPECT_GE(got.left, work.left);
    EXPECT_GE(got.top, work.top);
    EXPECT_LE(got.right, work.right);
    EXPECT_LE(got.bottom, work.bottom);
}
