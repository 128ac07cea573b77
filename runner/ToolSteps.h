#pragma once
#include "runner/ConsoleToolRunner.h"
#include "runner/ToolLog.h"
#include <string>

// A DFU run or an nrfjprog step that takes longer than this hangs: a dialog nobody can see, or a
// process that keeps the output open.
inline constexpr RunDeadline kDfuDeadline{10 * 60 * 1000,
                                          L"nrfutil did not finish within 10 minutes.\r\n"};
inline constexpr RunDeadline kNrfjprogDeadline{5 * 60 * 1000,
                                               L"nrfjprog did not finish within 5 minutes.\r\n"};

// The four tool runs of the upgrade workflows. Each starts its tool with the given directory as
// the tool's current directory. Paths and the port name go into the command line as given
// (quoted and escaped where needed): callers pass the full path of the file they checked.

// Serial DFU with nrfutil; the log gains "Upgrade succeeded.\r\n" when the device reports it,
// and otherwise, once the tool has ended, "Upgrade failed.\r\n" (after "nrfutil was not
// found.\r\n" when cmd could not find it, otherwise after the tool's last lines and, at the
// deadline, the deadline's line). Returns true when the device was programmed, also when the
// deadline then ended a tool that kept its output open (the deadline's line follows the success).
bool RunDfuUpgrade(const std::wstring& packagePath, const std::wstring& portName,
                   const std::wstring& workingDirectory, ToolLog& log);

// The J-Link steps with nrfjprog; each logs the tool's output and returns true on success.
bool RunEraseAll(const std::wstring& workingDirectory, ToolLog& log);
bool RunProgram(const std::wstring& hexPath, const std::wstring& workingDirectory, ToolLog& log);
bool RunReset(const std::wstring& workingDirectory, ToolLog& log);
