#include "ui/DialogBase.h"

INT_PTR CDialogBase::DoModal(HWND owner) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                           &CDialogBase::DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialogBase::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) {
        return false;
    }
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        break;
    case IDCANCEL:
        OnCancel();
        break;
    default:
        return false;
    }
    result = TRUE;
    return true;
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                         LPARAM lParam) noexcept {
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialogBase*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CDialogBase*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    INT_PTR result = FALSE;
    const bool handled = self->OnMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        self->m_hWnd = nullptr;
    }
    return handled ? result : FALSE;
}
