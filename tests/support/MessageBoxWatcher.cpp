#include "MessageBoxWatcher.h"
#include <algorithm>

namespace {

constexpr int kMessageBoxText = 0xFFFF;
constexpr int kMessageBoxIcon = 1088;

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

bool IsDialogOfThisProcess(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return pid == GetCurrentProcessId() && IsWindowVisible(window) &&
           std::wstring(className) == L"#32770";
}

SeenMessageBox Describe(HWND box) {
    SeenMessageBox seen;
    seen.caption = TextOf(box);
    seen.text = TextOf(GetDlgItem(box, kMessageBoxText));
    const auto icon =
        reinterpret_cast<HICON>(SendDlgItemMessageW(box, kMessageBoxIcon, STM_GETICON, 0, 0));
    seen.warningIcon = icon != nullptr && icon == LoadIconW(nullptr, IDI_WARNING);
    int buttons = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (lstrcmpiW(className, L"Button") == 0 && IsWindowVisible(child)) {
            ++buttons;
        }
    }
    seen.okOnly = buttons == 1 && GetDlgItem(box, IDOK) != nullptr;
    seen.owned = GetWindow(box, GW_OWNER) != nullptr;
    return seen;
}

} // namespace

MessageBoxWatcher::MessageBoxWatcher() : m_thread([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    m_stop = true;
    m_thread.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}

void MessageBoxWatcher::Watch() {
    while (!m_stop) {
        std::vector<HWND> boxes;
        EnumWindows(
            [](HWND window, LPARAM found) CALLBACK -> BOOL {
                if (IsDialogOfThisProcess(window)) {
                    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                if (std::find(m_closed.begin(), m_closed.end(), box) != m_closed.end()) {
                    continue;
                }
                m_seen.push_back(Describe(box));
                m_closed.push_back(box);
            }
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        }
        Sleep(20);
    }
}
