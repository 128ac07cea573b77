#include "workflow/UsbUpgradeSequence.h"
#include "workflow/ResultLabelText.h"

namespace {
void EndWithFailure(UsbUpgradeOps& ops, UpgradeTarget target, const wchar_t* line) {
    ops.AppendLog(line);
    ops.SetResultFlag(false);
    ops.SetResultText(ResultLabelText(target, false));
}

// One look for the port; true when it ended the press: one port starts the worker, two or more
// end the run, since the package could go to the wrong one of them.
bool LookEndsThePress(UsbUpgradeOps& ops, UpgradeTarget target, const std::wstring& packagePath,
                      std::wstring& portName) {
    const BootloaderPorts found = ops.FindBootloaderPort();
    portName = found.port;
    if (found.count > 1) {
        EndWithFailure(ops, target, kSeveralBootloadersLine);
        return true;
    }
    if (found.count == 1) {
        ops.StartDfuWorker(target, packagePath, portName);
        return true;
    }
    return false;
}

} // namespace

std::optional<std::uint64_t> RunUsbUpgrade(UsbUpgradeOps& ops, UpgradeTarget target,
                                           std::wstring& packagePath, std::wstring& portName) {
    ops.ClearResult();
    packagePath = ops.ReadPackagePath(target);
    if (!ops.IsConfiguredFilePresent(packagePath)) {
        return std::nullopt;
    }
    // Asking two devices would restart both, and the package would go to whichever bootloader
    // showed first.
    if (ops.CountConnectedDevices() > 1) {
        EndWithFailure(ops, target, kSeveralDevicesLine);
        return std::nullopt;
    }
    const bool asked = ops.TriggerUpgradeMode();
    std::uint64_t lookUntil = 0;
    if (asked) {
        ops.AppendLog(kUpgradeModeRequestedLine);
        lookUntil = ops.Now() + kAskedDevicePortWaitMs;
    }
    // A device that already runs its bootloader is found even when nothing could be triggered.
    for (int poll = 0; poll < kBootloaderPolls; ++poll) {
        if (LookEndsThePress(ops, target, packagePath, portName)) {
            return std::nullopt;
        }
        ops.Pause(kBootloaderPollPauseMs);
    }
    if (asked) {
        return lookUntil;
    }
    EndWithFailure(ops, target, kNoBootloaderLine);
    return std::nullopt;
}

bool ContinueUsbUpgrade(UsbUpgradeOps& ops, UpgradeTarget target, const std::wstring& packagePath,
                        std::wstring& portName, std::uint64_t lookUntil) {
    if (LookEndsThePress(ops, target, packagePath, portName)) {
        return false;
    }
    if (ops.Now() < lookUntil) {
        return true;
    }
    EndWithFailure(ops, target, kNoBootloaderLine);
    return false;
}
