#pragma once
#include "base/UniqueResource.h"
#include "config/ConfiguredPath.h"
#include "config/UpgradeTarget.h"
#include "ui/DialogBase.h"
#include "ui/LogView.h"
#include "ui/PortWait.h"
#include "ui/ProgramMessage.h"
#include "ui/ResultLabel.h"
#include "ui/RunSession.h"
#include "workflow/DialogChannel.h"
#include <string>

// The main window "Upgrade Tools". It lives on the user-interface thread and owns the log, the
// paths of the last USB press, the result flag and the large result font; the log box, the result
// label and the run's life each have a room of their own.
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
    HCURSOR OnQueryDragIcon() const { return static_cast<HCURSOR>(m_hIcon); }
    HBRUSH OnCtlColor(HDC dc, HWND control) { return m_resultLabel.Colour(dc, control); }
    bool OnCommand(WORD id);

    void OnUpgradeRemote() { UpgradeOverUsb(UpgradeTarget::Remote); }
    void OnUpgradeTablet() { UpgradeOverUsb(UpgradeTarget::Tablet); }
    void OnUpgradeDongle() { UpgradeOverUsb(UpgradeTarget::Dongle); }
    void OnJLinkRemote() { ProgramOverJLink(UpgradeTarget::Remote); }
    void OnJLinkTablet() { ProgramOverJLink(UpgradeTarget::Tablet); }
    void OnJLinkDongle() { ProgramOverJLink(UpgradeTarget::Dongle); }

    void UpgradeOverUsb(UpgradeTarget target);
    void ProgramOverJLink(UpgradeTarget target);

    // While a run is active, closing asks first; true when the window may close.
    bool ConfirmClose() const;

    // What presses and workers have the dialog do, on its own thread (a member rather than a
    // second base class, whose type information would pull in the library's cast code).
    class Requests final : public DialogRequests {
    public:
        explicit Requests(CPelvaroDlg& dialog) : m_dialog(dialog) {}
        bool IsActiveRun(WPARAM run) const override { return m_dialog.m_session.IsActiveRun(run); }
        void AppendLog(const std::wstring& text) override { m_dialog.AppendLog(text); }
        void SetResultFlag(bool ok) override { m_dialog.m_resultLabel.SetFlag(ok); }
        void SetResultText(const wchar_t* text) override { m_dialog.m_resultLabel.SetText(text); }
        void ShowMissingFile(const std::wstring& value) override {
            m_dialog.ShowMessage(MissingConfiguredFileMessage(value));
        }
        void EndRun() override { m_dialog.m_session.End(); }

    private:
        CPelvaroDlg& m_dialog;
    };

    // Appends to the log and shows it; the only writer of m_logText.
    void AppendLog(const std::wstring& text);
    void RefreshLogView() { m_logView.Refresh(); }
    // The program's own message box: OK button, exclamation icon, the executable's name as caption.
    void ShowMessage(const std::wstring& text) const {
        ProgramMessageBox(m_hWnd, text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }

    HICON m_hIcon = nullptr;      // at the system's standard icon size
    HICON m_hSmallIcon = nullptr; // at its small icon size, for the caption
    std::wstring m_portName;
    std::wstring m_logText;
    std::wstring m_configPath;
    std::wstring m_packagePath;
    bool m_resultOk = false;
    LogView m_logView{m_logText};
    ResultLabel m_resultLabel{m_resultOk};
    RunSession m_session;
    PortWait m_portWait{m_session, m_packagePath, m_portName};
    WorkerMessages m_workerMessages;
    Requests m_requests{*this};
    UniqueGdiObject m_resultFont;
};
