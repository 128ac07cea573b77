#include "SimulatedDevices.h"
#include "TestFolder.h"
#include "device/BootloaderPortLookup.h"
#include <gtest/gtest.h>
#include <regex>
#include <windows.h>

namespace {

const std::wstring kBootloaderDevice = L"USB\\VID_1915&PID_521F&MI_00\\";

// What one lookup gave, with what it wrote to standard output.
struct Lookup {
    std::wstring port;
    std::size_t count = 0;
    std::string trace;
};

// The lookup with this process's standard output on a pipe, as when the program's own output is
// redirected.
Lookup FindAndTrace() {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, nullptr, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    const UniqueHandle readEnd(read);
    UniqueHandle writeEnd(write);
    const HANDLE previous = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, write);
    const BootloaderPorts found = FindBootloaderPort();
    SetStdHandle(STD_OUTPUT_HANDLE, previous);
    writeEnd.reset();
    std::string trace;
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        trace.append(buffer, got);
    }
    return {found.port, found.count, trace};
}

std::vector<std::wstring> Lower(std::vector<std::wstring> ids) {
    for (auto& id : ids) {
        for (auto& c : id) {
            c = static_cast<wchar_t>(towlower(c));
        }
    }
    return ids;
}

// The port poll probe in a process of its own, its standard output on a pipe.
class PollProbe {
public:
    explicit PollProbe(const std::wstring& mode) {
        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        if (!CreatePipe(&read, &write, &inheritable, 0)) {
            throw std::runtime_error("CreatePipe failed");
        }
        m_output.reset(read);
        const UniqueHandle writeEnd(write);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = write;
        std::wstring command = L"\"" + ProgramFolder() + L"port_poll_probe.exe\" " + mode;
        PROCESS_INFORMATION started = {};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &started)) {
            throw std::runtime_error("cannot start port_poll_probe.exe");
        }
        m_process.reset(started.hProcess);
        CloseHandle(started.hThread);
    }

    // Reads until the text holds `marker` or the output ends (the probe stops by itself).
    std::string ReadUntil(const std::string& marker) {
        while (m_text.find(marker) == std::string::npos && ReadMore()) {
        }
        return m_text;
    }

    std::string ReadToEnd() {
        while (ReadMore()) {
        }
        return m_text;
    }

    DWORD ExitCode() {
        WaitForSingleObject(m_process.get(), 30000);
        DWORD code = 0;
        GetExitCodeProcess(m_process.get(), &code);
        return code;
    }

private:
    bool ReadMore() {
        char buffer[256];
        DWORD got = 0;
        if (!ReadFile(m_output.get(), buffer, sizeof(buffer), &got, nullptr) || got == 0) {
            return false;
        }
        m_text.append(buffer, got);
        return true;
    }

    UniqueHandle m_output;
    UniqueHandle m_process;
    std::string m_text;
};

} // namespace

TEST(BootloaderPortLookup, NoPortGivesNothingAndNoTrace) {
    const auto lookup = FindAndTrace();
    EXPECT_EQ(lookup.port, L"");
    EXPECT_EQ(lookup.trace, "");
}

TEST(BootloaderPortLookup, TheBootloaderPortIsNamedFromItsFriendlyName) {
    const SimulatedPort port(kBootloaderDevice + L"PELVARO-1", L"nRF52 SDFU USB (COM7)",
                             BootloaderHardwareIds());
    const auto lookup = FindAndTrace();
    EXPECT_EQ(lookup.port, L"COM7");
    EXPECT_EQ(lookup.trace, "find");
}

TEST(BootloaderPortLookup, ALowerCaseHardwareIdMatches) {
    const SimulatedPort port(kBootloaderDevice + L"PELVARO-1", L"Serial Device (COM7)",
                             Lower(BootloaderHardwareIds()));
    EXPECT_EQ(FindAndTrace().port, L"COM7");
}

TEST(BootloaderPortLookup, OtherPortsBesideTheBootloaderAreIgnored) {
    const SimulatedPort ftdi(L"USB\\VID_0403&PID_6001\\A1", L"USB Serial Port (COM3)",
                             {L"USB\\VID_0403&PID_6001&REV_0600", L"USB\\VID_0403&PID_6001"});
    const SimulatedPort bootloader(kBootloaderDevice + L"PELVARO-1", L"nRF52 SDFU USB (COM7)",
                                   BootloaderHardwareIds());
    const SimulatedPort newerRelease(kBootloaderDevice + L"PELVARO-2", L"Newer (COM8)",
                                     {L"USB\\VID_1915&PID_521F&REV_0101&MI_00"});
    // The bootloader's ID only as a later entry of the list does not count.
    const SimulatedPort laterEntry(kBootloaderDevice + L"PELVARO-3", L"Later entry (COM9)",
                                   {L"USB\\VID_1915&PID_521F&MI_00", BootloaderHardwareIds()[0]});
    const SimulatedPort noIds(L"USB\\VID_0403&PID_6015\\B2", L"No IDs (COM10)", {});
    const auto lookup = FindAndTrace();
    EXPECT_EQ(lookup.port, L"COM7");
    EXPECT_EQ(lookup.trace, "find");
}

TEST(BootloaderPortLookup, TwoBootloaderPortsAreCountedAndNoneIsNamed) {
    const SimulatedPort second(kBootloaderDevice + L"PELVARO-2", L"nRF52 SDFU USB (COM8)",
                               BootloaderHardwareIds());
    const SimulatedPort first(kBootloaderDevice + L"PELVARO-1", L"nRF52 SDFU USB (COM7)",
                              BootloaderHardwareIds());
    const auto lookup = FindAndTrace();
    EXPECT_EQ(lookup.count, 2u);
    EXPECT_EQ(lookup.port, L"");
    EXPECT_EQ(lookup.trace, "findfind");
}

TEST(BootloaderPortLookup, ABootloaderWithoutAPortNameIsNoBootloaderPort) {
    const SimulatedPort named(kBootloaderDevice + L"PELVARO-1", L"nRF52 SDFU USB (COM7)",
                              BootloaderHardwareIds());
    const SimulatedPort unnamed(kBootloaderDevice + L"PELVARO-2", L"", BootloaderHardwareIds());
    const SimulatedPort planted(kBootloaderDevice + L"PELVARO-3", L"x (COM7 & calc)",
                                BootloaderHardwareIds());
    const auto lookup = FindAndTrace();
    EXPECT_EQ(lookup.count, 1u);
    EXPECT_EQ(lookup.port, L"COM7");
    EXPECT_EQ(lookup.trace, "find");
}

TEST(BootloaderPortLookup, EveryLookupSeesThePortsPresentAtThatMoment) {
    EXPECT_EQ(FindAndTrace().port, L"");
    SimulatedPort port(kBootloaderDevice + L"PELVARO-1", L"nRF52 SDFU USB (COM7)",
                       BootloaderHardwareIds());
    EXPECT_EQ(FindAndTrace().port, L"COM7");
    EXPECT_EQ(FindAndTrace().port, L"COM7");
    port.Remove();
    EXPECT_EQ(FindAndTrace().port, L"");
}

TEST(BootloaderPortLookup, AnotherProcessSeesAPortAddedWhileItPolls) {
    PollProbe probe(L"appear");
    // At least one lookup of the probe has found nothing before the port is added.
    ASSERT_EQ(probe.ReadUntil("[]"), "[]");
    const SimulatedPort port(kBootloaderDevice + L"PELVARO-1", L"nRF52 SDFU USB (COM7)",
                             BootloaderHardwareIds());
    const std::string output = probe.ReadToEnd();
    EXPECT_TRUE(std::regex_match(output, std::regex(R"((\[\])+find\[COM7\])"))) << output;
    EXPECT_EQ(probe.ExitCode(), 0u);
}

TEST(BootloaderPortLookup, AnotherProcessSeesAPortRemovedWhileItPolls) {
    SimulatedPort port(kBootloaderDevice + L"PELVARO-1", L"nRF52 SDFU USB (COM7)",
                       BootloaderHardwareIds());
    PollProbe probe(L"vanish");
    ASSERT_EQ(probe.ReadUntil("]"), "find[COM7]");
    port.Remove();
    const std::string output = probe.ReadToEnd();
    EXPECT_TRUE(std::regex_match(output, std::regex(R"((find\[COM7\])+\[\])"))) << output;
    EXPECT_EQ(probe.ExitCode(), 0u);
}
