// The log box: its subclass, its text limit and its refresh from the dialog's log text.
#include "ui/LogView.h"
#include <commctrl.h>

namespace {

// Enter in the read-only log box ends the dialog as on Windows, where the dialog manager turns it
// into IDOK; some dialog managers hand the key to the box instead, which would swallow it.
// WM_SETREDRAW also takes the default handling (the box stays visible but draws nothing until it
// is switched back on): some edit boxes ignore it and would keep drawing their scroll bar on
// every change.
LRESULT CALLBACK LogBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR) {
    if (message == WM_SETREDRAW) {
        DefSubclassProc(box, message, wParam, lParam);
        return DefWindowProcW(box, message, wParam, lParam);
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r') {
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(box, &LogBoxProc, 0);
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

} // namespace

void LogView::Attach(HWND box) {
    m_editLog = box;
    SetWindowSubclass(m_editLog, &LogBoxProc, 0, 0);
    // The log only grows, by appending at the end of the box, which honours the box's text limit
    // (30,000 characters by default on some systems): lift it.
    SendMessageW(m_editLog, EM_SETLIMITTEXT, 0, 0);
}

void LogView::Refresh() {
    // The box holds the start of m_logText; only the rest goes in, so a refresh costs the same
    // whatever the log's length. Drawing is off meanwhile and the box is then invalidated as a
    // whole: the system's low-priority repaint draws it once, for all the refreshes that came
    // while it was busy, and a caller that holds this thread draws it with UpdateWindow.
    const auto shown = static_cast<std::size_t>(GetWindowTextLengthW(m_editLog));
    SendMessageW(m_editLog, WM_SETREDRAW, FALSE, 0);
    if (shown < m_logText.size()) {
        // Usually the caret is at the end already, from the previous refresh; moving it costs a
        // walk over the box's lines on some systems.
        DWORD selectionStart = 0;
        DWORD selectionEnd = 0;
        SendMessageW(m_editLog, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
                     reinterpret_cast<LPARAM>(&selectionEnd));
        if (selectionStart != shown || selectionEnd != shown) {
            SendMessageW(m_editLog, EM_SETSEL, shown, shown);
        }
        SendMessageW(m_editLog, EM_REPLACESEL, FALSE,
                     reinterpret_cast<LPARAM>(m_logText.c_str() + shown));
    }
    const auto lines = SendMessageW(m_editLog, EM_GETLINECOUNT, 0, 0);
    SendMessageW(m_editLog, EM_LINESCROLL, 0, lines);
    SendMessageW(m_editLog, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(m_editLog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}
