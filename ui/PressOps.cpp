// The two press adapters: the real operations behind the USB and J-Link press sequences.
#include "ui/PressOps.h"
#include "base/SentMessageWait.h"
#include "config/ConfigFile.h"
#include "config/ConfiguredPath.h"
#include "device/BootloaderPortLookup.h"
#include "device/UpgradeTrigger.h"
#include "workflow/Workers.h"
#include "ui/resource.h"

std::wstring UsbPressOps::ReadPackagePath(UpgradeTarget target) {
    return ReadConfiguredPath(m_configPath, target, ConfigKey::Zip);
}

bool UsbPressOps::IsConfiguredFilePresent(const std::wstring& value) {
    if (ConfiguredFileExists(value)) {
        return true;
    }
    m_requests.ShowMissingFile(value);
    return false;
}

std::size_t UsbPressOps::CountConnectedDevices() {
    return CountUpgradeDevices() + PresentBootloaderPorts().count;
}

bool UsbPressOps::TriggerUpgradeMode() {
    return ::TriggerUpgradeMode();
}

void UsbPressOps::AppendLog(const std::wstring& text) {
    m_requests.AppendLog(text);
    // The press holds this thread, so the box would paint only after it: paint now.
    UpdateWindow(GetDlgItem(m_dialog, IDC_LOG));
}

BootloaderPorts UsbPressOps::FindBootloaderPort() {
    return ::FindBootloaderPort();
}

void UsbPressOps::Pause(unsigned milliseconds) {
    Sleep(milliseconds);
}

void UsbPressOps::StartDfuWorker(UpgradeTarget target, const std::wstring& packagePath,
                                 const std::wstring& portName) {
    m_workerStarted = ::StartDfuWorker(m_dialog, m_session.Number(), target, packagePath, portName,
                                       ModuleDirectory());
}

bool JLinkDialogPressOps::StartJLinkWorker(UpgradeTarget target) {
    m_worker =
        ::StartJLinkWorker(m_dialog, m_session.Number(), target, m_configPath, ModuleDirectory());
    return m_worker.valid();
}

void JLinkDialogPressOps::WaitForWorker(unsigned milliseconds) {
    WaitHandlingSentMessages(m_worker.get(), milliseconds);
}
