#pragma once
#include "runner/ToolLog.h"
#include <string>

// The four tool runs of the upgrade workflows. Each starts its tool with the given directory as
// the tool's current directory, so a relative path is found where the caller checked it. Paths
// and the port name go into the command line as given (quoted where needed).

// Serial DFU with nrfutil; the log gains "Upgrade succeeded.\r\n" when the device reports it.
void RunDfuUpgrade(const std::wstring& packagePath, const std::wstring& portName,
                   const std::wstring& workingDirectory, ToolLog& log);

// The J-Link steps with nrfjprog; each logs the tool's output and returns true on success.
bool RunEraseAll(const std::wstring& workingDirectory, ToolLog& log);
bool RunProgram(const std::wstring& hexPath, const std::wstring& workingDirectory, ToolLog& log);
bool RunReset(const std::wstring& workingDirectory, ToolLog& log);
