#include "workflow/UsbUpgradeSequence.h"

void RunUsbUpgrade(UsbUpgradeOps& ops, UpgradeTarget target, std::wstring& packagePath,
                   std::wstring& portName) {
    packagePath = ops.ReadPackagePath(target);
    if (!ops.IsConfiguredFilePresent(packagePath)) {
        return;
    }
    if (ops.TriggerUpgradeMode()) {
        ops.AppendLog(kUpgradeModeRequestedLine);
    }
    // A device that already runs its bootloader is found even when nothing could be triggered.
    for (int poll = 0; poll < kBootloaderPolls; ++poll) {
        portName = ops.FindBootloaderPort();
        if (!portName.empty()) {
            ops.StartDfuWorker(packagePath, portName);
            return;
        }
        ops.Pause(kBootloaderPollPauseMs);
    }
}
