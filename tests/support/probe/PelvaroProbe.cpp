// A test-only DLL that the end-to-end tests load into the running Pelvaro.exe, because Wine
// answers some questions only from inside the window's own process (fonts, the system menu,
// dialog units, icons, the DPI). ProbeRun writes a plain-text report of the main window, and of
// the About box when it is open, to the file named by its argument; one line per fact, fields
// separated by tabs.
#include <cstdio>
#include <string>
#include <windows.h>

namespace {

struct Search {
    DWORD process;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK FindWindowByCaption(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t caption[64] = {};
    GetWindowTextW(hwnd, caption, 64);
    if (pid == search->process && lstrcmpW(caption, search->caption) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

void ReportFont(FILE* out, HWND dialog, HWND control) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW face = {};
    if (font == nullptr || GetObjectW(font, sizeof(face), &face) == 0) {
        std::fprintf(out, "font\t%d\tnone\n", GetDlgCtrlID(control));
        return;
    }
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    std::fprintf(out, "font\t%d\t%s\t%ld\t%ld\t%d\n", GetDlgCtrlID(control),
                 Utf8(face.lfFaceName).c_str(), face.lfHeight, face.lfWeight,
                 font == dialogFont ? 1 : 0);
}

BOOL CALLBACK ReportChild(HWND child, LPARAM param) {
    auto* out = reinterpret_cast<FILE*>(param);
    ReportFont(out, GetParent(child), child);
    return TRUE;
}

void ReportSystemMenu(FILE* out, HWND dialog) {
    HMENU menu = GetSystemMenu(dialog, FALSE);
    const int count = menu ? GetMenuItemCount(menu) : -1;
    std::fprintf(out, "sysmenu\t%d\n", count);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 128;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        std::fprintf(out, "menuitem\t%d\t%u\t%u\t%s\n", i, item.wID,
                     (item.fType & MFT_SEPARATOR) ? 1u : 0u, Utf8(text).c_str());
    }
}

// Whether an icon is the program's own icon group at the system's size for its use (the shared
// handle that the icon loader hands out for it), and its size in pixels.
void ReportIcon(FILE* out, const char* use, HICON icon, int useWidth, int useHeight) {
    const auto own = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128),
                                                   IMAGE_ICON, useWidth, useHeight, LR_SHARED));
    long width = 0;
    long height = 0;
    ICONINFO info = {};
    if (icon != nullptr && GetIconInfo(icon, &info)) {
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
        width = bitmap.bmWidth;
        // A monochrome icon keeps its AND and XOR masks one above the other.
        height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
        if (info.hbmColor) {
            DeleteObject(info.hbmColor);
        }
        if (info.hbmMask) {
            DeleteObject(info.hbmMask);
        }
    }
    std::fprintf(out, "icon\t%s\t%d\t%d\t%ld\t%ld\n", use, icon != nullptr ? 1 : 0,
                 icon != nullptr && icon == own ? 1 : 0, width, height);
}

void ReportWindowIcons(FILE* out, HWND dialog) {
    ReportIcon(out, "big", reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)),
               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    ReportIcon(out, "small",
               reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0)),
               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
}

// The DPI the program sees (the system's, as the program is DPI-aware) and its icon sizes.
void ReportDpi(FILE* out) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    std::fprintf(out, "dpi\t%d\t%d\t%d\n", dpi, GetSystemMetrics(SM_CXICON),
                 GetSystemMetrics(SM_CXSMICON));
}

// The About box's dialog units and the icon its first control shows.
void ReportAboutBox(FILE* out) {
    Search about{GetCurrentProcessId(), L"关于 Pelvaro", nullptr};
    EnumWindows(&FindWindowByCaption, reinterpret_cast<LPARAM>(&about));
    if (about.found == nullptr) {
        std::fprintf(out, "about\t0\n");
        return;
    }
    RECT units = {0, 0, 4, 8};
    const BOOL mapped = MapDialogRect(about.found, &units);
    std::fprintf(out, "about\t1\t%d\t%ld\t%ld\n", mapped ? 1 : 0, units.right, units.bottom);
    HWND iconControl = GetWindow(about.found, GW_CHILD);
    ReportIcon(out, "about", reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0)),
               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
}

// Which common-controls library the program bound: the manifest asks for version 6, which comes
// from the side-by-side store instead of the system folder.
void ReportCommonControls(FILE* out) {
    wchar_t path[MAX_PATH] = {};
    if (HMODULE controls = GetModuleHandleW(L"comctl32.dll")) {
        GetModuleFileNameW(controls, path, MAX_PATH);
    }
    std::fprintf(out, "comctl32\t%s\n", Utf8(path).c_str());
}

} // namespace

extern "C" __declspec(dllexport) DWORD WINAPI ProbeRun(LPVOID param) {
    const auto* outputPath = static_cast<const wchar_t*>(param);
    Search search{GetCurrentProcessId(), L"Upgrade Tools", nullptr};
    EnumWindows(&FindWindowByCaption, reinterpret_cast<LPARAM>(&search));
    FILE* out = _wfopen(outputPath, L"wb");
    if (out == nullptr) {
        return 1;
    }
    if (search.found == nullptr) {
        std::fprintf(out, "nowindow\n");
        std::fclose(out);
        return 2;
    }
    RECT units = {0, 0, 4, 8};
    const BOOL mapped = MapDialogRect(search.found, &units);
    std::fprintf(out, "dialogunits\t%d\t%ld\t%ld\n", mapped ? 1 : 0, units.right, units.bottom);
    ReportFont(out, search.found, search.found);
    EnumChildWindows(search.found, &ReportChild, reinterpret_cast<LPARAM>(out));
    ReportSystemMenu(out, search.found);
    ReportWindowIcons(out, search.found);
    ReportDpi(out);
    ReportAboutBox(out);
    ReportCommonControls(out);
    std::fclose(out);
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
