// The operations that the two kinds of press call on the user-interface thread, as the main
// dialog provides them.
#pragma once
#include "base/UniqueResource.h"
#include "ui/ResultLabel.h"
#include "ui/RunSession.h"
#include "workflow/DialogChannel.h"
#include "workflow/JLinkSequence.h"
#include "workflow/UsbUpgradeSequence.h"
#include <string>

// A USB press: it runs on this thread until its worker starts, or until a wait for the port goes
// on with a copy of it.
class UsbPressOps : public UsbUpgradeOps {
public:
    UsbPressOps(HWND dialog, DialogRequests& requests, ResultLabel& result,
                const RunSession& session, const std::wstring& configPath)
        : m_dialog(dialog), m_requests(requests), m_result(result), m_session(session),
          m_configPath(configPath) {}

    void ClearResult() override { m_result.Clear(); }
    std::wstring ReadPackagePath(UpgradeTarget target) override;
    bool IsConfiguredFilePresent(const std::wstring& value) override;
    std::size_t CountConnectedDevices() override;
    bool TriggerUpgradeMode() override;
    void AppendLog(const std::wstring& text) override;
    BootloaderPorts FindBootloaderPort() override;
    void Pause(unsigned milliseconds) override;
    std::uint64_t Now() override { return GetTickCount64(); }
    void StartDfuWorker(UpgradeTarget target, const std::wstring& packagePath,
                        const std::wstring& portName) override;
    void SetResultFlag(bool ok) override { m_result.SetFlag(ok); }
    void SetResultText(const std::wstring& text) override { m_result.SetText(text.c_str()); }
    bool WorkerStarted() const { return m_workerStarted; }

private:
    HWND m_dialog;
    DialogRequests& m_requests;
    ResultLabel& m_result;
    const RunSession& m_session;
    const std::wstring& m_configPath;
    bool m_workerStarted = false;
};

// A J-Link press: it starts its worker and waits for it a short while, handling the worker's
// messages meanwhile. The press owns the worker's thread handle.
class JLinkDialogPressOps : public JLinkPressOps {
public:
    JLinkDialogPressOps(HWND dialog, ResultLabel& result, const RunSession& session,
                        const std::wstring& configPath)
        : m_dialog(dialog), m_result(result), m_session(session), m_configPath(configPath) {}

    void ClearResult() override { m_result.Clear(); }
    bool StartJLinkWorker(UpgradeTarget target) override;
    void WaitForWorker(unsigned milliseconds) override;
    bool WorkerStarted() const { return m_worker.valid(); }

private:
    HWND m_dialog;
    ResultLabel& m_result;
    const RunSession& m_session;
    const std::wstring& m_configPath;
    UniqueHandle m_worker;
};
