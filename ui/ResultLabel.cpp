// The result label: emptied on screen, flag then text, painted in the flag's colour.
#include "ui/ResultLabel.h"
#include "ui/ResultLabelStyle.h"

void ResultLabel::Attach(HWND dialog, HWND label) {
    m_dialog = dialog;
    m_label = label;
}

void ResultLabel::Clear() {
    // The label paints no background of its own: the dialog must erase what it covered.
    SetWindowTextW(m_label, L"");
    RECT area;
    GetWindowRect(m_label, &area);
    ScreenToClient(m_dialog, reinterpret_cast<POINT*>(&area.left));
    ScreenToClient(m_dialog, reinterpret_cast<POINT*>(&area.right));
    // Painted now: the press then holds this thread while the new run already works.
    RedrawWindow(m_dialog, &area, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

HBRUSH ResultLabel::Colour(HDC dc, HWND control) const {
    if (control != m_label) {
        return nullptr;
    }
    SetTextColor(dc, static_cast<COLORREF>(ResultTextColour(m_resultOk)));
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}
