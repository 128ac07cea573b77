#pragma once
#include "app/UniqueResource.h"
#include "ui/DialogBase.h"
#include <string>

// The main window "Upgrade Tools". It lives on the user-interface thread and owns the log, the
// paths of the last USB press, the result flag and the large result font.
class CPelvaroDlg : public CDialogBase {
public:
    CPelvaroDlg();

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnOK() override;

private:
    void OnSysCommand(UINT nID, LPARAM lParam, INT_PTR& result);
    void OnPaint();
    HCURSOR OnQueryDragIcon() const;
    HBRUSH OnCtlColor(HDC dc, HWND control);
    bool OnCommand(WORD id);

    void OnUpgradeRemote();
    void OnUpgradeTablet();
    void OnUpgradeDongle();
    void OnJLinkRemote();
    void OnJLinkTablet();
    void OnJLinkDongle();

    // Puts the whole log into the log box and scrolls its end into view.
    void RefreshLogView();
    // The program's own message box: OK button, exclamation icon, the executable's name as caption.
    void ShowMessage(const std::wstring& text) const;

    HICON m_hIcon = nullptr;
    HWND m_editLog = nullptr;
    std::wstring m_portName;
    std::wstring m_logText;
    std::wstring m_configPath;
    std::wstring m_packagePath;
    bool m_resultOk = false;
    UniqueGdiObject m_resultFont;
};
