#pragma once
#include "runner/ToolLog.h"
#include "runner/ToolOutputJudge.h"
#include <string>

inline constexpr wchar_t kCreatePipeFailed[] = L"CreatePipe Failed!";
inline constexpr wchar_t kCreateProcessFailed[] = L"CreateProcess Failed!";
inline constexpr wchar_t kUngroupedToolsLine[] =
    L"The tools of this run could not be grouped; a tool may keep running after it.\r\n";

// How long one run may take, and the line that says so when it took longer.
struct RunDeadline {
    unsigned long milliseconds;
    const wchar_t* line;
};

// Whether a run puts its tools in a job of their own; Refused runs them as when the system
// refuses the job.
enum class ToolGrouping { Job, Refused };

// Runs one command line through the system folder's cmd.exe, in a hidden console process whose
// standard output and error come back through a pipe of this run alone. The process and all it
// starts belong to the run: they end with it (or with the program) at the latest, and at the
// deadline, when the run logs the deadline's line and fails unless the device already said it was
// programmed (where the tools could not be put in a job, the run says so after its banner, and at
// the deadline ends cmd and stops reading). The banner opens the run's part of the log; every chunk
// of output is judged by the mode and the log is refreshed after each. When the output has ended
// and the tool's exit status still matters (see ToolOutputJudge), the run waits for the tool; what
// every end adds is logged. Returns the judge's verdict, the one that chose the log's verdict line:
// in EchoCheck mode true when output came, none of it held "ERROR" and the tool ended by itself
// with status 0; in WatchOnly mode true when the device said it was programmed, also when the
// deadline ended the tool after that. When the pipe or the process cannot be made, shows why in a
// box with the given caption, logs nothing and returns false. Blocks until the output ends (or
// "ERROR" shows) and, where needed, the tool ends, or until the deadline.
bool RunConsoleTool(const std::wstring& commandLine, const std::wstring& banner, CaptureMode mode,
                    const wchar_t* failureCaption, const std::wstring& workingDirectory,
                    ToolLog& log, const RunDeadline& deadline,
                    ToolGrouping grouping = ToolGrouping::Job);

// The runner's failure box: no owner, warning icon, OK only. Returns false for the run's result.
bool ReportToolFailure(const wchar_t* message, const wchar_t* failureCaption);
