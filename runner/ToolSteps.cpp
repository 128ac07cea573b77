#include "runner/ToolSteps.h"
#include "runner/CommandLine.h"
#include "runner/ConsoleToolRunner.h"
#include <optional>

namespace {

constexpr wchar_t kDfuCaption[] = L"Info";
constexpr wchar_t kNrfjprogCaption[] = L"提示";

bool RunNrfjprogStep(const std::optional<std::wstring>& commandLine, const wchar_t* banner,
                     const std::wstring& workingDirectory, ToolLog& log) {
    if (!commandLine) {
        return ReportToolFailure(kCreateProcessFailed, kNrfjprogCaption);
    }
    return RunConsoleTool(*commandLine, banner, CaptureMode::EchoCheck, kNrfjprogCaption,
                          workingDirectory, log, kNrfjprogDeadline);
}

} // namespace

bool RunDfuUpgrade(const std::wstring& packagePath, const std::wstring& portName,
                   const std::wstring& workingDirectory, ToolLog& log) {
    const auto commandLine = DfuUpgradeCommandLine(packagePath, portName);
    if (!commandLine) {
        return ReportToolFailure(kCreateProcessFailed, kDfuCaption);
    }
    return RunConsoleTool(*commandLine, L"Upgrading...\r\n", CaptureMode::WatchOnly, kDfuCaption,
                          workingDirectory, log, kDfuDeadline);
}

bool RunEraseAll(const std::wstring& workingDirectory, ToolLog& log) {
    return RunNrfjprogStep(EraseAllCommandLine(), L"Eraseall...\r\n", workingDirectory, log);
}

bool RunProgram(const std::wstring& hexPath, const std::wstring& workingDirectory, ToolLog& log) {
    return RunNrfjprogStep(ProgramCommandLine(hexPath), L"Program...\r\n", workingDirectory, log);
}

bool RunReset(const std::wstring& workingDirectory, ToolLog& log) {
    return RunNrfjprogStep(ResetCommandLine(), L"Reset...\r\n", workingDirectory, log);
}
