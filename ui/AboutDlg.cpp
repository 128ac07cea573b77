#include "ui/AboutDlg.h"
#include "ui/resource.h"
#include <algorithm>

namespace {

// Centres a dialog over its owner, as the usual dialog frameworks do with a modal box whose
// template gives no position of its own, keeping it inside the work area of the owner's monitor.
void CentreOverOwner(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST),
                         &monitor)) {
        return;
    }
    const RECT& work = monitor.rcWork;
    RECT around = work;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &around);
    }
    RECT box;
    GetWindowRect(dialog, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    int x = around.left + (around.right - around.left - width) / 2;
    int y = around.top + (around.bottom - around.top - height) / 2;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

CAboutDlg::CAboutDlg() : CDialogBase(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    CentreOverOwner(m_hWnd);
    return TRUE;
}
