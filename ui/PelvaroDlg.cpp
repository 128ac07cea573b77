#include "ui/PelvaroDlg.h"
#include "ui/AboutDlg.h"
#include "base/ScopeExit.h"
#include "config/ConfigFile.h"
#include "config/ConfiguredPath.h"
#include "ui/PressOps.h"
#include "ui/ProgramMessage.h"
#include "ui/ResultLabelStyle.h"
#include "ui/resource.h"
#include <commctrl.h>

namespace {

constexpr wchar_t kCloseDuringRunQuestion[] =
    L"An upgrade is still running. Closing now can leave the device without working firmware. "
    L"Close anyway?";

bool IsPushButton(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (lstrcmpiW(className, WC_BUTTONW) != 0) {
        return false;
    }
    const auto kind = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

// The system's DPI, which the screen reports unscaled because the manifest declares the program
// DPI-aware.
int SystemDpi() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return USER_DEFAULT_SCREEN_DPI;
    }
    const ScopeExit release([&] { ReleaseDC(nullptr, screen); });
    return GetDeviceCaps(screen, LOGPIXELSY);
}

// The program's icon group at one size, shared by the icon loader (so never destroyed).
HICON ProgramIcon(int width, int height, UINT flags) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                         IMAGE_ICON, width, height, flags | LR_SHARED));
}

} // namespace

CPelvaroDlg::CPelvaroDlg()
    : CDialogBase(IDD_MAIN_DIALOG), m_hIcon(ProgramIcon(0, 0, LR_DEFAULTSIZE)),
      // The caption shows the group's own small image instead of the standard one shrunk.
      m_hSmallIcon(ProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)),
      // 38 pixels on a standard 96 DPI screen, grown with the system's DPI as the dialog font is.
      m_resultFont(CreateFontW(MulDiv(38, SystemDpi(), USER_DEFAULT_SCREEN_DPI), 0, 0, 0, 800,
                               FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, FF_SWISS, L"Arial")) {
}

BOOL CPelvaroDlg::OnInitDialog() {
    m_logView.Attach(GetDlgItem(m_hWnd, IDC_LOG));
    m_session.Attach(m_hWnd, m_logView.Box());
    m_resultLabel.Attach(m_hWnd, GetDlgItem(m_hWnd, IDC_RESULT));

    if (HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE)) {
        // With a buffer size of 0, LoadStringW gives a pointer to the resource's own text.
        const wchar_t* about = nullptr;
        const int length = LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX,
                                       reinterpret_cast<LPWSTR>(&about), 0);
        if (length > 0) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, std::wstring(about, length).c_str());
        }
    }

    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));

    m_configPath = ConfigFilePath(ModuleDirectory());
    if (!PathExists(m_configPath)) {
        ShowMessage(kMissingConfigFileMessage);
        PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        EndDialog(m_hWnd, 0);
        return TRUE;
    }

    const auto font = reinterpret_cast<WPARAM>(m_resultFont.get());
    SendDlgItemMessageW(m_hWnd, IDC_RESULT_LABEL, WM_SETFONT, font, TRUE);
    SendDlgItemMessageW(m_hWnd, IDC_RESULT, WM_SETFONT, font, TRUE);
    return TRUE;
}

bool CPelvaroDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (m_workerMessages.Dispatch(message, wParam, lParam, m_requests)) {
        result = TRUE;
        return true;
    }
    switch (message) {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam, result);
        return result != FALSE;
    case WM_PAINT:
        if (!IsIconic(m_hWnd)) {
            return false;
        }
        OnPaint();
        result = TRUE;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        return true;
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush =
                OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
            result = reinterpret_cast<INT_PTR>(brush);
            return true;
        }
        return false;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && OnCommand(LOWORD(wParam))) {
            result = TRUE;
            return true;
        }
        break;
    case WM_QUERYENDSESSION:
        return m_session.OnQueryEndSession(result);
    case WM_ACTIVATE:
        return m_session.OnActivate(wParam, result);
    case WM_SETFOCUS:
        return m_session.OnSetFocus(result);
    case WM_TIMER:
        result = TRUE;
        return m_portWait.OnTimer(wParam);
    case WM_DESTROY:
        m_portWait.Stop(); // no look after the window, such as after Yes to the close question
        return false;
    default:
        break;
    }
    return CDialogBase::OnMessage(message, wParam, lParam, result);
}

void CPelvaroDlg::OnSysCommand(UINT nID, LPARAM, INT_PTR& result) {
    // The system keeps the four low bits of a system command for its own use.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal(m_hWnd);
        result = TRUE;
        return;
    }
    // Every other system command keeps the default handling.
    result = FALSE;
}

void CPelvaroDlg::OnOK() {
    // Enter with the focus on a push button presses that button, as the Windows dialog manager
    // does; everywhere else Enter ends the dialog.
    HWND focus = GetFocus();
    if (focus != nullptr && GetParent(focus) == m_hWnd && IsPushButton(focus)) {
        SendMessageW(focus, BM_CLICK, 0, 0);
        return;
    }
    if (ConfirmClose()) {
        CDialogBase::OnOK();
    }
}

// Escape, the close box, Alt+F4 and the system menu's Close all come here.
void CPelvaroDlg::OnCancel() {
    if (ConfirmClose()) {
        CDialogBase::OnCancel();
    }
}

bool CPelvaroDlg::ConfirmClose() const {
    // The tools end with the program; a device left halfway may have no working firmware.
    return !m_session.Active() ||
           ProgramMessageBox(m_hWnd, kCloseDuringRunQuestion,
                             MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void CPelvaroDlg::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const auto origin = MinimisedIconOrigin(client.right - client.left, client.bottom - client.top,
                                            iconWidth, iconHeight);
    DrawIcon(dc, origin.x, origin.y, m_hIcon);
    EndPaint(m_hWnd, &paint);
}

bool CPelvaroDlg::OnCommand(WORD id) {
    switch (id) {
    case IDC_UPGRADE_REMOTE:
        OnUpgradeRemote();
        return true;
    case IDC_JLINK_REMOTE:
        OnJLinkRemote();
        return true;
    case IDC_JLINK_TABLET:
        OnJLinkTablet();
        return true;
    case IDC_JLINK_DONGLE:
        OnJLinkDongle();
        return true;
    case IDC_UPGRADE_TABLET:
        OnUpgradeTablet();
        return true;
    case IDC_UPGRADE_DONGLE:
        OnUpgradeDongle();
        return true;
    default:
        return false;
    }
}

void CPelvaroDlg::UpgradeOverUsb(UpgradeTarget target) {
    if (!m_session.Begin()) {
        return;
    }
    UsbPressOps ops(m_hWnd, m_requests, m_resultLabel, m_session, m_configPath);
    const auto lookUntil = RunUsbUpgrade(ops, target, m_packagePath, m_portName);
    // A device that was asked may take seconds to show its port: the run then goes on looking.
    const bool looksGoOn = lookUntil && m_portWait.Start(m_hWnd, ops, target, *lookUntil);
    m_session.EndPress(ops.WorkerStarted() || looksGoOn);
}

void CPelvaroDlg::ProgramOverJLink(UpgradeTarget target) {
    if (!m_session.Begin()) {
        return;
    }
    JLinkDialogPressOps ops(m_hWnd, m_resultLabel, m_session, m_configPath);
    PressJLink(ops, target);
    m_session.EndPress(ops.WorkerStarted());
}

void CPelvaroDlg::AppendLog(const std::wstring& text) {
    m_logText += text;
    RefreshLogView();
}
