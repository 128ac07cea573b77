// The looks for the bootloader's port that go on after a USB press that asked a device, one every
// 100 ms on a timer of the dialog, so that the window answers while the port takes its time.
#pragma once
#include "config/UpgradeTarget.h"
#include "ui/PressOps.h"
#include "ui/RunSession.h"
#include <cstdint>
#include <optional>
#include <string>
#include <windows.h>

class PortWait {
public:
    // The run's session and the dialog's package path and port name, which all outlive the wait.
    PortWait(RunSession& session, const std::wstring& packagePath, std::wstring& portName)
        : m_session(session), m_packagePath(packagePath), m_portName(portName) {}
    PortWait(const PortWait&) = delete;
    PortWait& operator=(const PortWait&) = delete;

    // Goes on looking with a copy of the press's operations until lookUntil; false when the run
    // ends here after all (no timer could be set, and one last look found no port).
    bool Start(HWND dialog, const UsbPressOps& ops, UpgradeTarget target, std::uint64_t lookUntil);
    // The dialog's WM_TIMER: one look, and at the wait's end the run's end unless a worker carries
    // it on. False for a timer that is not the wait's.
    bool OnTimer(UINT_PTR id);
    // No look comes after this, such as once the window is going away.
    void Stop();

private:
    RunSession& m_session;
    const std::wstring& m_packagePath;
    std::wstring& m_portName;
    HWND m_dialog = nullptr;
    std::optional<UsbPressOps> m_ops;
    UpgradeTarget m_target = UpgradeTarget::Remote;
    std::uint64_t m_lookUntil = 0;
};
