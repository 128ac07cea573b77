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
    // Without grouping no job is made, as when the system refuses one.
    explicit ToolJob(bool grouping = true);
    // Ends the job's processes and waits, at most 5 s, until none is left: ending returns before
    // they are gone, and the next run must find the port or the probe free.
    ~ToolJob();
    ToolJob(const ToolJob&) = delete;
    ToolJob& operator=(const ToolJob&) = delete;

    // Takes in the process; it must still be suspended, so that nothing it starts escapes. False
    // when the job cannot hold it.
    bool Adopt(HANDLE process);
    bool HoldsTools() const { return m_job.valid(); }
    // Ends every process of the run.
    void EndAll() const;

private:
    UniqueHandle m_job;
    HANDLE m_process = nullptr; // owned by the runner
};

// Ends the job's processes when the run has not ended by the deadline. Where the job does not
// hold the tools, a process that cmd started keeps the output open after cmd has ended: the
// deadline then also cancels the reads of the thread that made the timer, until it reads no more.
class RunDeadlineTimer {
public:
    RunDeadlineTimer(const ToolJob& job, unsigned long milliseconds);
    ~RunDeadlineTimer() { Stop(); }
    RunDeadlineTimer(const RunDeadlineTimer&) = delete;
    RunDeadlineTimer& operator=(const RunDeadlineTimer&) = delete;

    // True once the deadline has passed for a run whose job does not hold its tools: the output
    // may never end, so the reader reads no more.
    bool EndsReading() const { return m_passed && m_reader; }
    // Said by the reading thread once it has stopped reading.
    void ReadingEnded() { m_reading = false; }
    // Cancels the deadline, after waiting for an ending that has already begun; true when the
    // deadline had passed.
    bool Stop();

private:
    static void CALLBACK OnDeadline(PVOID self, BOOLEAN) noexcept;

    const ToolJob& m_job;
    UniqueHandle m_reader;
    std::atomic<bool> m_passed{false};
    std::atomic<bool> m_reading{true};
    HANDLE m_timer = nullptr;
};
