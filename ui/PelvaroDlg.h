#pragma once
#include "base/UniqueResource.h"
#include "config/UpgradeTarget.h"
#include "ui/DialogBase.h"
#include "workflow/DialogChannel.h"
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
    void OnCancel() override;

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

    void UpgradeOverUsb(UpgradeTarget target);
    void ProgramOverJLink(UpgradeTarget target);

    // One run at a time: a press starts a run only when none is active, and the run stays
    // active until its worker reports its end (or, when no worker started, until the press
    // returns). The six buttons are disabled meanwhile.
    bool BeginRun();
    void EndRun();
    // The end of a press: the run ends here unless a worker carries it on.
    void EndPress(bool workerStarted);
    // Clicks and keys that came while a press held this thread were meant for the window as it
    // was before the press.
    void DropQueuedInput() const;
    // While a run is active, closing asks first; true when the window may close.
    bool ConfirmClose() const;
    // Requests of the workers, carried out here on the user-interface thread.
    bool OnWorkerMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A logoff or restart during a run would end its tools mid-flash: refused then.
    bool OnQueryEndSession(INT_PTR& result) const;
    // Gives the focus back to the pressed button when the window was inactive at the run's end.
    bool OnActivate(WPARAM wParam, INT_PTR& result);

    // Appends to the log and shows it; the only writer of m_logText.
    void AppendLog(const std::wstring& text);
    // Puts the part of the log that the log box does not hold yet at its end, scrolls the end into
    // view and leaves the box to be repainted.
    void RefreshLogView();
    // The check of a configured value, with its message when the file is missing.
    bool IsConfiguredFilePresent(const std::wstring& value) const;
    // The program's own message box: OK button, exclamation icon, the executable's name as caption.
    void ShowMessage(const std::wstring& text) const;
    // Empties the result label and has the dialog repaint, with erasing, the rectangle it covered.
    void ClearResult();
    // A run that ended while the window was behind others flashes its taskbar button until the
    // window is activated.
    void FlashIfInBackground() const;

    HICON m_hIcon = nullptr;      // at the system's standard icon size
    HICON m_hSmallIcon = nullptr; // at its small icon size, for the caption
    HWND m_editLog = nullptr;
    std::wstring m_portName;
    std::wstring m_logText;
    std::wstring m_configPath;
    std::wstring m_packagePath;
    bool m_resultOk = false;
    bool m_runActive = false;
    // The number of the latest run; workers send it with each request.
    WPARAM m_run = 0;
    WorkerMessages m_workerMessages;
    // The visible button that had the focus when the run began; it gets it back at the run's end,
    // or at the next activation when the window was inactive then.
    HWND m_pressedButton = nullptr;
    HWND m_focusOnActivate = nullptr;
    UniqueGdiObject m_resultFont;
};
