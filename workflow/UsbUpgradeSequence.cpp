#include "workflow/UsbUpgradeSequence.h"
#include "workflow/ResultLabelText.h"

namespace {
void EndWithFailure(UsbUpgradeOps& ops, UpgradeTarget target, const wchar_t* line) {
    ops.AppendLog(line);
    ops.SetResultFlag(false);
    ops.SetResultText(ResultLabelText(target, false));
}
} // namespace

void RunUsbUpgrade(UsbUpgradeOps& ops, UpgradeTarget target, std::wstring& packagePath,
                   std::wstring& portName) {
    ops.ClearResult();
    packagePath = ops.ReadPackagePath(target);
    if (!ops.IsConfiguredFilePresent(packagePath)) {
        return;
    }
    // Asking two devices would restart both, and the package would go to whichever bootloader
    // showed first.
    if (ops.CountConnectedDevices() > 1) {
        EndWithFailure(ops, target, kSeveralDevicesLine);
        return;
    }
    if (ops.TriggerUpgradeMode()) {
        ops.AppendLog(kUpgradeModeRequestedLine);
    }
    // A device that already runs its bootloader is found even when nothing could be triggered.
    for (int poll = 0; poll < kBootloaderPolls; ++poll) {
        const BootloaderPorts found = ops.FindBootloaderPort();
        portName = found.port;
        if (found.count > 1) {
            // The package could go to the wrong one of them.
            EndWithFailure(ops, target, kSeveralBootloadersLine);
            return;
        }
        if (found.count == 1) {
            ops.StartDfuWorker(target, packagePath, portName);
            return;
        }
        ops.Pause(kBootloaderPollPauseMs);
    }
    EndWithFailure(ops, target, kNoBootloaderLine);
}
