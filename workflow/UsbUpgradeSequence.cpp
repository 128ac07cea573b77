#include "workflow/UsbUpgradeSequence.h"

void RunUsbUpgrade(UsbUpgradeOps& ops, UpgradeTarget target, std::wstring& packagePath,
                   std::wstring& portName) {
    packagePath = ops.ReadPackagePath(target);
    if (!ops.IsConfiguredFilePresent(packagePath)) {
        return;
    }
    // Asking two devices would restart both, and the package would go to whichever bootloader
    // showed first.
    if (ops.CountConnectedDevices() > 1) {
        ops.AppendLog(kSeveralDevicesLine);
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
            ops.AppendLog(kSeveralBootloadersLine);
            return;
        }
        if (found.count == 1) {
            ops.StartDfuWorker(packagePath, portName);
            return;
        }
        ops.Pause(kBootloaderPollPauseMs);
    }
    ops.AppendLog(kNoBootloaderLine);
}
