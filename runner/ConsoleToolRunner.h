#pragma once
#include "runner/ToolLog.h"
#include "runner/ToolOutputJudge.h"
#include <string>

inline constexpr wchar_t kCreatePipeFailed[] = L"CreatePipe Failed!";
inline constexpr wchar_t kCreateProcessFailed[] = L"CreateProcess Failed!";

// Runs one command line in a hidden console process whose standard output and error come back
// through a pipe of this run alone. The banner opens the run's part of the log; every chunk of
// output is judged by the mode and the log is refreshed after each. Returns the run's result:
// in EchoCheck mode true when output came, none of it held "ERROR" and the tool ended with
// status 0. When the pipe or the process cannot be made, shows why in a box with the given
// caption, logs nothing and returns false. Blocks until the output ends (or "ERROR" shows).
bool RunConsoleTool(const std::wstring& commandLine, const std::wstring& banner, CaptureMode mode,
                    const wchar_t* failureCaption, const std::wstring& workingDirectory,
                    ToolLog& log);

// The runner's failure box: no owner, warning icon, OK only. Returns false for the run's result.
bool ReportToolFailure(const wchar_t* message, const wchar_t* failureCaption);
