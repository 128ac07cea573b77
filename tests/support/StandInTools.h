#pragma once
#include "TestFolder.h"
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

// The folder of the stand-in nrfutil.exe and nrfjprog.exe (with a backslash).
std::wstring StandInFolder();

// A double-quoted scenario piece that stands for exactly these bytes, for `out` and `err` steps.
std::string ScenarioBytes(std::string_view bytes);

// One start of a stand-in tool, as it recorded it.
struct StandInRecord {
    std::wstring tool;
    unsigned long pid = 0;
    long long ticks = 0; // the performance counter when the tool's main function began
    std::wstring currentDirectory;
    std::wstring commandLine;
    std::vector<std::wstring> args; // without the program name
};

// A scenario of the stand-in tools (format in docs/stand-in-tools.md) and the environment that
// makes every program started from now on use them: the scenario and a fresh record file named in
// PELVARO_STANDIN_SCENARIO and PELVARO_STANDIN_RECORD, the stand-ins' folder first on PATH. The
// previous values come back when the session ends. Programs started by the test inherit them.
class StandInSession {
public:
    explicit StandInSession(const std::string& scenario);
    ~StandInSession();
    StandInSession(const StandInSession&) = delete;
    StandInSession& operator=(const StandInSession&) = delete;

    void SetScenario(const std::string& scenario) const;
    // The folder of the scenario file, where `await NAME` looks for a relative NAME.
    const std::wstring& Folder() const { return m_folder.Path(); }
    // Creates the file that `await name` waits for.
    void Signal(const std::wstring& name) const;
    // Every start recorded so far, in order.
    std::vector<StandInRecord> Records() const;
    // Ends the recorded stand-ins that still run, so that a test whose run hangs can report
    // instead of hanging itself.
    void EndRecordedTools() const;
    // Waits up to the limit for the recorded stand-ins to end; true when none runs any more.
    bool WaitForRecordedTools(unsigned long limitMs) const;

private:
    struct SavedVariable {
        const wchar_t* name;
        std::optional<std::wstring> value;
    };
    TestFolder m_folder;
    FILETIME m_start{};
    std::wstring m_scenarioPath;
    std::vector<SavedVariable> m_saved;
};
