// The run's life on the main dialog: one run at a time with its number, the six buttons disabled
// meanwhile, the focus given back to the pressed button, a logoff refused, the taskbar flashed at
// the end and the input that came while a press held the window dropped.
#pragma once
#include "workflow/ActiveRun.h"
#include <windows.h>

class RunSession {
public:
    // The dialog, and its log box, where the focus waits while the buttons are disabled.
    void Attach(HWND dialog, HWND logBox);

    // A press starts a run only when none is active, and the run stays active until its worker
    // reports its end (or, when no worker started, until the press returns). False, changing
    // nothing, while a run is active.
    bool Begin();
    void End();
    // The end of a press: the run ends here unless a worker carries it on.
    void EndPress(bool workerStarted);

    bool Active() const { return m_run.Active(); }
    // The number of the latest run; workers send it with each request.
    WPARAM Number() const { return m_run.Number(); }
    bool IsActiveRun(WPARAM run) const { return m_run.Accepts(run); }

    // A logoff or restart during a run would end its tools mid-flash: refused then.
    bool OnQueryEndSession(INT_PTR& result) const;
    // Gives the focus back to the pressed button when the window was inactive at the run's end.
    bool OnActivate(WPARAM wParam, INT_PTR& result);
    // The same when the window is restored: one activated while still minimised (from its taskbar
    // button) gets the focus only then, which the dialog manager would give to the log box.
    bool OnSetFocus(INT_PTR& result) { return GivePendingFocus(result); }

private:
    bool GivePendingFocus(INT_PTR& result);
    // A run that ended while the window was behind others flashes its taskbar button until the
    // window is activated.
    void FlashIfInBackground() const;

    HWND m_dialog = nullptr;
    HWND m_logBox = nullptr;
    ActiveRun m_run;
    // The visible button that had the focus when the run began; it gets it back at the run's end,
    // or at the next activation or restore when the window was inactive then.
    HWND m_pressedButton = nullptr;
    HWND m_pendingFocus = nullptr;
};
