#pragma once
#include "config/UpgradeTarget.h"
#include <string>

// What a J-Link press does on the user-interface thread.
class JLinkPressOps {
public:
    virtual ~JLinkPressOps() = default;
    // Empties the result label and has the dialog repaint, with erasing, the rectangle it covers.
    virtual void ClearResult() = 0;
    // Starts the worker for the target; false when no thread could be started.
    virtual bool StartJLinkWorker(UpgradeTarget target) = 0;
    // Waits for that worker to end, at most the given time.
    virtual void WaitForWorker(unsigned milliseconds) = 0;
};

// What the J-Link worker does; every result change reaches the dialog on its own thread.
class JLinkOps {
public:
    virtual ~JLinkOps() = default;
    virtual std::wstring ReadImagePath(UpgradeTarget target) = 0;
    virtual bool IsConfiguredFilePresent(const std::wstring& value) = 0;
    virtual bool RunEraseAll() = 0;
    virtual bool RunProgram(const std::wstring& hexPath) = 0;
    virtual bool RunReset() = 0;
    virtual void SetResultFlag(bool ok) = 0;
    virtual void SetResultText(const std::wstring& text) = 0;
};

inline constexpr unsigned kJLinkPressWaitMs = 2000;

void PressJLink(JLinkPressOps& ops, UpgradeTarget target);

// Erase, program, reset, each only after the one before succeeded; then the flag, then the text,
// so the label paints in the colour of its new text. A missing image ends the run unchanged.
void ProgramWithJLink(JLinkOps& ops, UpgradeTarget target);
