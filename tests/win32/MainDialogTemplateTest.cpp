#include "DialogTemplate.h"
#include "TestFolder.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace {

DialogTemplate MainTemplate() {
    DialogTemplate t;
    EXPECT_TRUE(LoadDialogTemplate(ProgramFolder() + L"Pelvaro.exe", 102, t));
    return t;
}

constexpr std::uint32_t kButton = 0x0080, kEdit = 0x0081, kStaticClass = 0x0082;

struct Expected {
    std::uint16_t id;
    std::uint32_t atom;
    const wchar_t* text;
    int x, y, cx, cy;
    std::uint32_t mustHave;
    std::uint32_t mustNotHave;
    std::uint32_t exStyle;
};

const Expected kItems[] = {
    {1000, kButton, L"Upgrade the remote ", 19, 19, 97, 25, WS_VISIBLE | WS_TABSTOP,
     BS_DEFPUSHBUTTON, 0},
    {1001, kEdit, L"", 11, 70, 252, 126,
     WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
     ES_WANTRETURN | WS_HSCROLL, 0},
    {0xFFFF, kStaticClass, L"V1.0.2 20221110", 152, 217, 112, 8, WS_VISIBLE | SS_RIGHT | WS_GROUP,
     0, 0},
    {1002, kButton, L"遥控器烧录-JLink", 17, 58, 93, 23, WS_TABSTOP, WS_VISIBLE, 0},
    {0xFFFF, kButton, L"JLink", 7, 49, 249, 36, BS_GROUPBOX, WS_VISIBLE, 0},
    {1003, kButton, L"板子烧录-JLink", 125, 58, 93, 23, WS_TABSTOP, WS_VISIBLE, 0},
    {1004, kButton, L"接收器烧录-JLink", 151, 58, 93, 23, WS_TABSTOP, WS_VISIBLE, 0},
    {0xFFFF, kButton, L"USB", 7, 8, 247, 46, BS_GROUPBOX, WS_VISIBLE, 0},
    {1005, kButton, L"Upgrade the tablet", 142, 20, 72, 23, WS_TABSTOP, WS_VISIBLE, 0},
    {1006, kButton, L"Upgrade the dongle", 170, 20, 69, 23, WS_TABSTOP, WS_VISIBLE, 0},
    {1008, kStaticClass, L"Result\uFF1A", 13, 198, 107, 25, WS_VISIBLE | WS_GROUP, SS_TYPEMASK, 0},
    {1007, kStaticClass, L"", 107, 198, 81, 26, WS_VISIBLE | WS_GROUP, SS_TYPEMASK,
     WS_EX_TRANSPARENT},
};

} // namespace

TEST(MainDialogTemplate, FrameCaptionAndFont) {
    const auto t = MainTemplate();
    EXPECT_EQ(t.caption, L"Upgrade Tools");
    EXPECT_EQ(t.cx, 272);
    EXPECT_EQ(t.cy, 234);
    EXPECT_TRUE(t.menu.empty());
    const std::uint32_t required =
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SHELLFONT;
    EXPECT_EQ(t.style & required, required);
    EXPECT_EQ(t.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_EQ(t.exStyle, static_cast<std::uint32_t>(WS_EX_APPWINDOW));
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.face, L"MS Shell Dlg");
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.charset, 1);
}

TEST(MainDialogTemplate, ControlsInOrderWithTheirStyles) {
    const auto t = MainTemplate();
    ASSERT_EQ(t.items.size(), std::size(kItems));
    for (size_t i = 0; i < t.items.size(); ++i) {
        const auto& got = t.items[i];
        const auto& want = kItems[i];
        SCOPED_TRACE(testing::Message() << "item #" << i + 1);
        EXPECT_EQ(got.id & 0xFFFF, want.id);
        EXPECT_EQ(got.className, L"#" + std::to_wstring(want.atom));
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.style & want.mustHave, want.mustHave) << std::hex << got.style;
        EXPECT_EQ(got.style & want.mustNotHave, 0u) << std::hex << got.style;
        EXPECT_EQ(got.exStyle, want.exStyle);
    }
}
