// The run's life on the main dialog: buttons, focus, shutdown-block reason, flash, dropped input.
#include "ui/RunSession.h"
#include "ui/resource.h"

namespace {

// The six buttons that start a run.
constexpr int kRunButtons[] = {IDC_UPGRADE_REMOTE, IDC_UPGRADE_TABLET, IDC_UPGRADE_DONGLE,
                               IDC_JLINK_REMOTE,   IDC_JLINK_TABLET,   IDC_JLINK_DONGLE};

// Clicks and keys that came while a press held this thread were meant for the window as it was
// before the press.
void DropQueuedInput() {
    // Taps and pen presses come as pointer messages (WM_POINTERDEVICECHANGE to WM_POINTERHWHEEL,
    // WM_TOUCH among them) and gestures, which become clicks only when dispatched.
    constexpr UINT kPointerFirst = 0x0238;
    constexpr UINT kPointerLast = 0x024F;
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) ||
           PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE) ||
           PeekMessageW(&message, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE) ||
           PeekMessageW(&message, nullptr, kPointerFirst, kPointerLast, PM_REMOVE) ||
           PeekMessageW(&message, nullptr, WM_GESTURE, WM_GESTURE, PM_REMOVE)) {
    }
}

} // namespace

void RunSession::Attach(HWND dialog, HWND logBox) {
    m_dialog = dialog;
    m_logBox = logBox;
}

bool RunSession::Begin() {
    if (!m_run.Begin()) {
        return false;
    }
    m_pendingFocus = nullptr;
    ShutdownBlockReasonCreate(m_dialog, L"An upgrade is still running.");
    HWND focus = GetFocus();
    m_pressedButton = nullptr;
    for (const int id : kRunButtons) {
        HWND button = GetDlgItem(m_dialog, id);
        if (button == focus) {
            // Disabling the focused button would leave the focus nowhere and the keyboard dead;
            // in the log box, Escape and Enter still reach the dialog.
            m_pressedButton = IsWindowVisible(button) ? button : nullptr;
            SetFocus(m_logBox);
        }
        EnableWindow(button, FALSE);
    }
    return true;
}

void RunSession::End() {
    if (!m_run.End()) {
        return;
    }
    ShutdownBlockReasonDestroy(m_dialog);
    for (const int id : kRunButtons) {
        EnableWindow(GetDlgItem(m_dialog, id), TRUE);
    }
    if (m_pressedButton != nullptr && GetFocus() == m_logBox) {
        SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_pressedButton), TRUE);
    } else if (m_pressedButton != nullptr) {
        // Inactive, or a box has the focus: the log box, where Enter closes the program, would
        // get the focus back with the window.
        m_pendingFocus = m_pressedButton;
    }
    m_pressedButton = nullptr;
    FlashIfInBackground();
}

void RunSession::EndPress(bool workerStarted) {
    if (!workerStarted) {
        End();
    }
    DropQueuedInput();
}

bool RunSession::OnQueryEndSession(INT_PTR& result) const {
    if (!Active()) {
        return false;
    }
    SetWindowLongPtrW(m_dialog, DWLP_MSGRESULT, FALSE);
    result = TRUE;
    return true;
}

bool RunSession::OnActivate(WPARAM wParam, INT_PTR& result) {
    if (LOWORD(wParam) == WA_INACTIVE || HIWORD(wParam) != 0) {
        return false;
    }
    return GivePendingFocus(result);
}

bool RunSession::GivePendingFocus(INT_PTR& result) {
    if (m_pendingFocus == nullptr) {
        return false;
    }
    // In place of the dialog manager's own restoring, which would give the log box its focus back.
    SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_pendingFocus), TRUE);
    m_pendingFocus = nullptr;
    SetWindowLongPtrW(m_dialog, DWLP_MSGRESULT, 0);
    result = TRUE;
    return true;
}

void RunSession::FlashIfInBackground() const {
    // A message box or the About box of this window counts as the window in front.
    HWND front = GetForegroundWindow();
    if (front != nullptr && GetAncestor(front, GA_ROOTOWNER) == m_dialog) {
        return;
    }
    FLASHWINFO flash{sizeof(flash), m_dialog, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}
