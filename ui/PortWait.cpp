// The looks for the bootloader's port after a USB press, on a timer of the dialog.
#include "ui/PortWait.h"

namespace {
constexpr UINT_PTR kLookTimer = 1;
} // namespace

bool PortWait::Start(HWND dialog, const UsbPressOps& ops, UpgradeTarget target,
                     std::uint64_t lookUntil) {
    m_dialog = dialog;
    m_ops.emplace(ops);
    m_target = target;
    m_lookUntil = lookUntil;
    if (SetTimer(m_dialog, kLookTimer, kBootloaderPollPauseMs, nullptr) != 0) {
        return true;
    }
    // A run that cannot wait would never end: one last look decides.
    ContinueUsbUpgrade(*m_ops, m_target, m_packagePath, m_portName, 0);
    const bool workerStarted = m_ops->WorkerStarted();
    m_ops.reset();
    return workerStarted;
}

bool PortWait::OnTimer(UINT_PTR id) {
    if (id != kLookTimer) {
        return false;
    }
    // While a box of the window is open (the close question above all), no look is taken: a port
    // found then would start an upgrade that the answer Yes ends at once.
    if (!m_ops || !IsWindowEnabled(m_dialog) ||
        ContinueUsbUpgrade(*m_ops, m_target, m_packagePath, m_portName, m_lookUntil)) {
        return true;
    }
    const bool workerStarted = m_ops->WorkerStarted();
    Stop();
    if (!workerStarted) {
        m_session.End();
    }
    return true;
}

void PortWait::Stop() {
    if (m_ops) {
        KillTimer(m_dialog, kLookTimer);
        m_ops.reset();
    }
}
