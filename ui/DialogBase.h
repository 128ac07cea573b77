#pragma once
#include <windows.h>

// A modal dialog built from a template of the executable's resources. The dialog procedure keeps
// the object in DWLP_USER and forwards every message to the object's handlers.
class CDialogBase {
public:
    explicit CDialogBase(UINT templateId) : m_templateId(templateId) {}
    virtual ~CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    // Runs the dialog's modal loop; returns the value given to EndDialog, or -1.
    INT_PTR DoModal(HWND owner);
    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Returns true when the message was handled, with the dialog procedure's answer in result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    virtual void OnOK() { EndDialog(m_hWnd, IDOK); }
    virtual void OnCancel() { EndDialog(m_hWnd, IDCANCEL); }

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    UINT m_templateId;
};
