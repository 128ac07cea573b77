#include "DialogTemplate.h"
#include "ExecutableResources.h"
#include "TestFolder.h"
#include <gtest/gtest.h>

namespace {

DialogTemplate AboutTemplate() {
    DialogTemplate t;
    EXPECT_TRUE(LoadDialogTemplate(ProgramFolder() + L"Pelvaro.exe", 100, t));
    return t;
}

constexpr std::uint32_t kButton = 0x0080, kStaticClass = 0x0082;

// The resource compiler may give a predefined class by its atom or by its name.
bool IsClass(const std::wstring& got, std::uint32_t atom, const wchar_t* name) {
    return got == L"#" + std::to_wstring(atom) || lstrcmpiW(got.c_str(), name) == 0;
}

} // namespace

TEST(AboutResources, FrameCaptionAndFont) {
    const auto t = AboutTemplate();
    EXPECT_EQ(t.caption, L"关于 Pelvaro");
    EXPECT_EQ(t.cx, 170);
    EXPECT_EQ(t.cy, 62);
    EXPECT_TRUE(t.menu.empty());
    EXPECT_TRUE(t.className.empty());
    const std::uint32_t required =
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT;
    EXPECT_EQ(t.style & required, required) << std::hex << t.style;
    // Shown by the modal run, never resized or minimised.
    EXPECT_EQ(t.style & (WS_VISIBLE | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.face, L"MS Shell Dlg");
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 1);
}

TEST(AboutResources, IconNameNoticeAndOkButtonInOrder) {
    const auto t = AboutTemplate();
    ASSERT_EQ(t.items.size(), 4u);
    struct Box {
        int x, y, cx, cy;
    };
    const Box boxes[] = {{14, 14, 21, 20}, {42, 14, 114, 8}, {42, 26, 114, 8}, {113, 41, 50, 14}};
    for (size_t i = 0; i < t.items.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "item #" << i + 1);
        const auto& item = t.items[i];
        EXPECT_EQ(item.x, boxes[i].x);
        EXPECT_EQ(item.y, boxes[i].y);
        EXPECT_EQ(item.cx, boxes[i].cx);
        EXPECT_EQ(item.cy, boxes[i].cy);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_TRUE(item.style & WS_VISIBLE);
    }

    const auto& icon = t.items[0];
    EXPECT_TRUE(IsClass(icon.className, kStaticClass, L"Static")) << Utf8(icon.className);
    EXPECT_EQ(icon.id & 0xFFFF, 0xFFFFu);
    EXPECT_EQ(icon.style & SS_TYPEMASK, static_cast<std::uint32_t>(SS_ICON));
    EXPECT_EQ(icon.text, L"#128") << "the application's icon group";
    // Without these the control takes the icon's own size.
    EXPECT_EQ(icon.style & (SS_REALSIZECONTROL | SS_CENTERIMAGE), 0u);

    const auto& name = t.items[1];
    EXPECT_TRUE(IsClass(name.className, kStaticClass, L"Static"));
    EXPECT_EQ(name.id & 0xFFFF, 0xFFFFu);
    EXPECT_EQ(name.text, L"Pelvaro\uFF0C1.0 版");
    EXPECT_EQ(name.style & SS_TYPEMASK, static_cast<std::uint32_t>(SS_LEFT));
    EXPECT_EQ(name.style & (SS_NOPREFIX | WS_GROUP),
              static_cast<std::uint32_t>(SS_NOPREFIX | WS_GROUP))
        << std::hex << name.style;

    const auto& notice = t.items[2];
    EXPECT_TRUE(IsClass(notice.className, kStaticClass, L"Static"));
    EXPECT_EQ(notice.id & 0xFFFF, 0xFFFFu);
    EXPECT_FALSE(notice.text.empty());
    EXPECT_EQ(notice.text.find_first_of(L"\r\n"), std::wstring::npos);
    EXPECT_EQ(notice.style & SS_TYPEMASK, static_cast<std::uint32_t>(SS_LEFT));
    EXPECT_TRUE(notice.style & WS_GROUP) << std::hex << notice.style;

    const auto& ok = t.items[3];
    EXPECT_TRUE(IsClass(ok.className, kButton, L"Button"));
    EXPECT_EQ(ok.id, static_cast<std::uint32_t>(IDOK));
    EXPECT_EQ(ok.text, L"确定");
    EXPECT_EQ(ok.style & BS_TYPEMASK, static_cast<std::uint32_t>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(ok.style & (WS_TABSTOP | WS_GROUP),
              static_cast<std::uint32_t>(WS_TABSTOP | WS_GROUP));
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FALSE(t.items[i].style & WS_TABSTOP) << "only the button takes the focus";
    }
}

TEST(AboutResources, SystemMenuItemText) {
    ExecutableResources exe(ProgramFolder() + L"Pelvaro.exe");
    ASSERT_TRUE(exe.Loaded());
    const wchar_t* text = nullptr;
    const int length = LoadStringW(exe.Module(), 101, reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::wstring(text, length), L"关于 Pelvaro(&A)...");
}
