#include "ui/PelvaroDlg.h"
#include "ui/AboutDlg.h"
#include "base/ScopeExit.h"
#include "config/ConfigFile.h"
#include "config/ConfiguredPath.h"
#include "config/ExecutablePath.h"
#include "device/BootloaderPortLookup.h"
#include "device/UpgradeTrigger.h"
#include "ui/ResultLabelStyle.h"
#include "workflow/DialogChannel.h"
#include "workflow/JLinkSequence.h"
#include "workflow/UsbUpgradeSequence.h"
#include "workflow/Workers.h"
#include "ui/resource.h"
#include <commctrl.h>

namespace {

// The six buttons that start a run.
constexpr int kRunButtons[] = {IDC_UPGRADE_REMOTE, IDC_UPGRADE_TABLET, IDC_UPGRADE_DONGLE,
                               IDC_JLINK_REMOTE,   IDC_JLINK_TABLET,   IDC_JLINK_DONGLE};

constexpr wchar_t kCloseDuringRunQuestion[] =
    L"An upgrade is still running. Closing now can leave the device without working firmware. "
    L"Close anyway?";

std::wstring ApplicationName() {
    wchar_t path[kPathBufferChars] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(kPathBufferChars));
    return ExecutableBaseName(path);
}

bool IsPushButton(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (lstrcmpiW(className, WC_BUTTONW) != 0) {
        return false;
    }
    const auto kind = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

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

// Waits for the handle at most that long. Messages that other threads send to this thread's
// windows are handled meanwhile: workers report by such messages and wait for the answer, so a
// plain wait would hold every one of them (and the tools whose output they read) until it ends.
void WaitHandlingSentMessages(HANDLE handle, DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE,
                                                     static_cast<DWORD>(end - now), QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1) {
            return;
        }
        // Peeking handles the sent messages; posted ones stay queued for after the press.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
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
    m_editLog = GetDlgItem(m_hWnd, IDC_LOG);
    SetWindowSubclass(m_editLog, &LogBoxProc, 0, 0);
    // The log only grows, by appending at the end of the box, which honours the box's text limit
    // (30,000 characters by default on some systems): lift it.
    SendMessageW(m_editLog, EM_SETLIMITTEXT, 0, 0);

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
    if (OnWorkerMessage(message, wParam, lParam)) {
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
        return OnQueryEndSession(result);
    case WM_ACTIVATE:
        return OnActivate(wParam, result);
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
    return !m_runActive || MessageBoxW(m_hWnd, kCloseDuringRunQuestion, ApplicationName().c_str(),
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

HCURSOR CPelvaroDlg::OnQueryDragIcon() const {
    return static_cast<HCURSOR>(m_hIcon);
}

HBRUSH CPelvaroDlg::OnCtlColor(HDC dc, HWND control) {
    if (GetDlgCtrlID(control) != IDC_RESULT) {
        return nullptr;
    }
    SetTextColor(dc, static_cast<COLORREF>(ResultTextColour(m_resultOk)));
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
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

void CPelvaroDlg::OnUpgradeRemote() {
    UpgradeOverUsb(UpgradeTarget::Remote);
}
void CPelvaroDlg::OnUpgradeTablet() {
    UpgradeOverUsb(UpgradeTarget::Tablet);
}
void CPelvaroDlg::OnUpgradeDongle() {
    UpgradeOverUsb(UpgradeTarget::Dongle);
}
void CPelvaroDlg::OnJLinkRemote() {
    ProgramOverJLink(UpgradeTarget::Remote);
}
void CPelvaroDlg::OnJLinkTablet() {
    ProgramOverJLink(UpgradeTarget::Tablet);
}
void CPelvaroDlg::OnJLinkDongle() {
    ProgramOverJLink(UpgradeTarget::Dongle);
}

bool CPelvaroDlg::OnQueryEndSession(INT_PTR& result) const {
    if (!m_runActive) {
        return false;
    }
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, FALSE);
    result = TRUE;
    return true;
}

bool CPelvaroDlg::OnActivate(WPARAM wParam, INT_PTR& result) {
    if (LOWORD(wParam) == WA_INACTIVE || HIWORD(wParam) != 0 || m_focusOnActivate == nullptr) {
        return false;
    }
    // In place of the dialog manager's own restoring, which would give the log box its focus back.
    SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_focusOnActivate), TRUE);
    m_focusOnActivate = nullptr;
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 0);
    result = TRUE;
    return true;
}

bool CPelvaroDlg::BeginRun() {
    if (m_runActive) {
        return false;
    }
    m_runActive = true;
    ++m_run;
    m_focusOnActivate = nullptr;
    ShutdownBlockReasonCreate(m_hWnd, L"An upgrade is still running.");
    HWND focus = GetFocus();
    m_pressedButton = nullptr;
    for (const int id : kRunButtons) {
        HWND button = GetDlgItem(m_hWnd, id);
        if (button == focus) {
            // Disabling the focused button would leave the focus nowhere and the keyboard dead;
            // in the log box, Escape and Enter still reach the dialog.
            m_pressedButton = IsWindowVisible(button) ? button : nullptr;
            SetFocus(m_editLog);
        }
        EnableWindow(button, FALSE);
    }
    return true;
}

void CPelvaroDlg::EndRun() {
    m_runActive = false;
    ShutdownBlockReasonDestroy(m_hWnd);
    for (const int id : kRunButtons) {
        EnableWindow(GetDlgItem(m_hWnd, id), TRUE);
    }
    if (m_pressedButton != nullptr && GetFocus() == m_editLog) {
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_pressedButton), TRUE);
    } else if (m_pressedButton != nullptr) {
        // Inactive, or a box has the focus: the log box, where Enter closes the program, would
        // get the focus back with the window.
        m_focusOnActivate = m_pressedButton;
    }
    m_pressedButton = nullptr;
    FlashIfInBackground();
}

void CPelvaroDlg::EndPress(bool workerStarted) {
    if (!workerStarted) {
        EndRun();
    }
    DropQueuedInput();
}

void CPelvaroDlg::DropQueuedInput() const {
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

void CPelvaroDlg::UpgradeOverUsb(UpgradeTarget target) {
    if (!BeginRun()) {
        return;
    }
    // The press runs on this thread until its worker starts, as the dialog's own operations.
    class Ops : public UsbUpgradeOps {
    public:
        explicit Ops(CPelvaroDlg& dialog) : m_dialog(dialog) {}
        void ClearResult() override { m_dialog.ClearResult(); }
        std::wstring ReadPackagePath(UpgradeTarget t) override {
            return ReadConfiguredPath(m_dialog.m_configPath, t, ConfigKey::Zip);
        }
        bool IsConfiguredFilePresent(const std::wstring& value) override {
            return m_dialog.IsConfiguredFilePresent(value);
        }
        std::size_t CountConnectedDevices() override {
            return CountUpgradeDevices() + PresentBootloaderPorts().count;
        }
        bool TriggerUpgradeMode() override { return ::TriggerUpgradeMode(); }
        void AppendLog(const std::wstring& text) override {
            m_dialog.AppendLog(text);
            // The press holds this thread, so the box would paint only after it: paint now.
            UpdateWindow(m_dialog.m_editLog);
        }
        BootloaderPorts FindBootloaderPort() override { return ::FindBootloaderPort(); }
        void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
        void StartDfuWorker(UpgradeTarget t, const std::wstring& packagePath,
                            const std::wstring& portName) override {
            m_workerStarted = ::StartDfuWorker(m_dialog.m_hWnd, m_dialog.m_run, t, packagePath,
                                               portName, ModuleDirectory());
        }
        void SetResultFlag(bool ok) override { m_dialog.m_resultOk = ok; }
        void SetResultText(const std::wstring& text) override {
            SetDlgItemTextW(m_dialog.m_hWnd, IDC_RESULT, text.c_str());
        }
        bool WorkerStarted() const { return m_workerStarted; }

    private:
        CPelvaroDlg& m_dialog;
        bool m_workerStarted = false;
    } ops(*this);
    RunUsbUpgrade(ops, target, m_packagePath, m_portName);
    EndPress(ops.WorkerStarted());
}

void CPelvaroDlg::ProgramOverJLink(UpgradeTarget target) {
    if (!BeginRun()) {
        return;
    }
    class Ops : public JLinkPressOps {
    public:
        explicit Ops(CPelvaroDlg& dialog) : m_dialog(dialog) {}
        void ClearResult() override { m_dialog.ClearResult(); }
        bool StartJLinkWorker(UpgradeTarget t) override {
            m_worker = ::StartJLinkWorker(m_dialog.m_hWnd, m_dialog.m_run, t, m_dialog.m_configPath,
                                          ModuleDirectory());
            return m_worker.valid();
        }
        void WaitForWorker(unsigned milliseconds) override {
            WaitHandlingSentMessages(m_worker.get(), milliseconds);
        }
        bool WorkerStarted() const { return m_worker.valid(); }

    private:
        CPelvaroDlg& m_dialog;
        UniqueHandle m_worker;
    } ops(*this);
    PressJLink(ops, target);
    EndPress(ops.WorkerStarted());
}

bool CPelvaroDlg::OnWorkerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto request = m_workerMessages.Find(message);
    if (!request) {
        return false;
    }
    // Only the worker of the active run knows its number; anything else is not looked at.
    if (!m_runActive || wParam != m_run) {
        return true;
    }
    switch (*request) {
    case WorkerRequest::AppendLog:
        AppendLog(*reinterpret_cast<const std::wstring*>(lParam));
        return true;
    case WorkerRequest::SetResultFlag:
        m_resultOk = lParam != 0;
        return true;
    case WorkerRequest::SetResultText:
        SetDlgItemTextW(m_hWnd, IDC_RESULT, reinterpret_cast<const wchar_t*>(lParam));
        return true;
    case WorkerRequest::MissingFile:
        ShowMessage(MissingConfiguredFileMessage(*reinterpret_cast<const std::wstring*>(lParam)));
        return true;
    case WorkerRequest::RunEnded:
        EndRun();
        return true;
    }
    return true;
}

void CPelvaroDlg::AppendLog(const std::wstring& text) {
    m_logText += text;
    RefreshLogView();
}

bool CPelvaroDlg::IsConfiguredFilePresent(const std::wstring& value) const {
    if (ConfiguredFileExists(value)) {
        return true;
    }
    ShowMessage(MissingConfiguredFileMessage(value));
    return false;
}

void CPelvaroDlg::RefreshLogView() {
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

void CPelvaroDlg::ShowMessage(const std::wstring& text) const {
    MessageBoxW(m_hWnd, text.c_str(), ApplicationName().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CPelvaroDlg::ClearResult() {
    // The label paints no background of its own: the dialog must erase what it covered.
    HWND label = GetDlgItem(m_hWnd, IDC_RESULT);
    SetWindowTextW(label, L"");
    RECT area;
    GetWindowRect(label, &area);
    ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&area.left));
    ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&area.right));
    // Painted now: the press then holds this thread while the new run already works.
    RedrawWindow(m_hWnd, &area, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CPelvaroDlg::FlashIfInBackground() const {
    // A message box or the About box of this window counts as the window in front.
    HWND front = GetForegroundWindow();
    if (front != nullptr && GetAncestor(front, GA_ROOTOWNER) == m_hWnd) {
        return;
    }
    FLASHWINFO flash{sizeof(flash), m_hWnd, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}
