#pragma once
#include "config/UpgradeTarget.h"
#include "device/BootloaderPort.h"
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The operations a USB upgrade press calls, in the order it calls them. The dialog provides the
// real ones; tests provide fakes that record calls.
class UsbUpgradeOps {
public:
    virtual ~UsbUpgradeOps() = default;
    // Empties the result label on screen at once, as a J-Link press does.
    virtual void ClearResult() = 0;
    virtual std::wstring ReadPackagePath(UpgradeTarget target) = 0;
    // Shows the configuration message itself when the file is missing.
    virtual bool IsConfiguredFilePresent(const std::wstring& value) = 0;
    // The devices the trigger would ask plus the bootloader ports present before it.
    virtual std::size_t CountConnectedDevices() = 0;
    virtual bool TriggerUpgradeMode() = 0;
    virtual void AppendLog(const std::wstring& text) = 0;
    virtual BootloaderPorts FindBootloaderPort() = 0;
    virtual void Pause(unsigned milliseconds) = 0;
    // A clock in milliseconds, for the looks that go on after the press.
    virtual std::uint64_t Now() = 0;
    // Starts the DFU worker with its own copies of the package path and the port name; it sets
    // the result when its run ends.
    virtual void StartDfuWorker(UpgradeTarget target, const std::wstring& packagePath,
                                const std::wstring& portName) = 0;
    // The result of a press that ended before any worker: the flag, then the text.
    virtual void SetResultFlag(bool ok) = 0;
    virtual void SetResultText(const std::wstring& text) = 0;
};

inline constexpr wchar_t kUpgradeModeRequestedLine[] =
    L"Find the device and enter the upgrade mode...\r\n";
inline constexpr wchar_t kNoBootloaderLine[] = L"No device in upgrade mode was found.\r\n";
inline constexpr wchar_t kSeveralDevicesLine[] =
    L"More than one device is connected. Connect only the device to upgrade.\r\n";
inline constexpr wchar_t kSeveralBootloadersLine[] =
    L"More than one device is in upgrade mode. Connect only the device to upgrade.\r\n";
inline constexpr int kBootloaderPolls = 10;
inline constexpr unsigned kBootloaderPollPauseMs = 100;
// How long after asking a device the looks for its port go on: Windows may take seconds to set up
// the bootloader, a device of its own to Windows, before its port shows.
inline constexpr std::uint64_t kAskedDevicePortWaitMs = 30000;

// One press of a USB upgrade button: clear the result label, read and check the package, ask the
// devices to restart into their bootloader, look for its port up to ten times with a pause after
// each empty look, and hand the rest to a worker. More than one device connected (to be asked, or
// in its bootloader already) ends the press before anything is asked; a listing with two or more
// bootloader ports ends it at once, and ten empty looks of a press that asked no device end it,
// each with its line in the log and the target's failure text in the label. A missing package
// leaves the label empty. packagePath and portName are the dialog's members, left as the press left
// them. A press that asked a device and found no port in its ten looks ends nothing: it returns the
// time on the ops' clock (30 s after the request) until which ContinueUsbUpgrade goes on looking.
std::optional<std::uint64_t> RunUsbUpgrade(UsbUpgradeOps& ops, UpgradeTarget target,
                                           std::wstring& packagePath, std::wstring& portName);

// One of the looks that go on after such a press, as the press's own: one port starts the worker,
// two or more end the run. A look that finds none at or after lookUntil ends the run with the
// no-device line and the target's failure text. True while the looks go on; nothing is logged
// until then.
bool ContinueUsbUpgrade(UsbUpgradeOps& ops, UpgradeTarget target, const std::wstring& packagePath,
                        std::wstring& portName, std::uint64_t lookUntil);
