#pragma once
#include "base/UniqueResource.h"
#include <atomic>
#include <windows.h>

// The processes of one tool run: the started process and everything it starts, in a job object
// that ends them all when its last handle closes. So neither the end of the run nor the end of
// the program, however it ends, leaves a tool holding the port or the probe. Where the system
// refuses the job (before Windows 8, a program already in a job that allows no other), only the
// started process itself can be ended.
class ToolJob {
public:
    ToolJob();
    // Takes in the process; it must still be suspended, so that nothing it starts escapes.
    void Adopt(HANDLE process);
    // Ends every process of the run.
    void EndAll() const;

private:
    UniqueHandle m_job;
    HANDLE m_process = nullptr; // owned by the runner
};

// Ends the job's processes when the run has not ended by the deadline.
class RunDeadlineTimer {
public:
    RunDeadlineTimer(const ToolJob& job, unsigned long milliseconds);
    ~RunDeadlineTimer() { Stop(); }
    RunDeadlineTimer(const RunDeadlineTimer&) = delete;
    RunDeadlineTimer& operator=(const RunDeadlineTimer&) = delete;

    // Cancels the deadline, after waiting for an ending that has already begun; true when the
    // deadline had passed.
    bool Stop();

private:
    static void CALLBACK OnDeadline(PVOID self, BOOLEAN) noexcept;

    const ToolJob& m_job;
    std::atomic<bool> m_passed{false};
    HANDLE m_timer = nullptr;
};
