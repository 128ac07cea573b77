#include "runner/ToolJob.h"

namespace {
// The status of processes ended at the deadline, as the Task Manager ends them.
constexpr UINT kEndedStatus = 1;
constexpr ULONGLONG kEndWaitMs = 5000;
} // namespace

ToolJob::ToolJob(bool grouping) {
    if (grouping) {
        m_job.reset(CreateJobObjectW(nullptr, nullptr));
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (m_job && !SetInformationJobObject(m_job.get(), JobObjectExtendedLimitInformation, &limits,
                                          sizeof(limits))) {
        m_job.reset();
    }
}

ToolJob::~ToolJob() {
    if (!m_job) {
        return;
    }
    TerminateJobObject(m_job.get(), kEndedStatus);
    const ULONGLONG end = GetTickCount64() + kEndWaitMs;
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION counts = {};
    while (QueryInformationJobObject(m_job.get(), JobObjectBasicAccountingInformation, &counts,
                                     sizeof(counts), nullptr) &&
           counts.ActiveProcesses != 0 && GetTickCount64() < end) {
        Sleep(10);
    }
}

bool ToolJob::Adopt(HANDLE process) {
    m_process = process;
    if (m_job && !AssignProcessToJobObject(m_job.get(), process)) {
        m_job.reset();
    }
    return HoldsTools();
}

void ToolJob::EndAll() const {
    if (m_job) {
        TerminateJobObject(m_job.get(), kEndedStatus);
    } else if (m_process != nullptr) {
        TerminateProcess(m_process, kEndedStatus);
    }
}

RunDeadlineTimer::RunDeadlineTimer(const ToolJob& job, unsigned long milliseconds) : m_job(job) {
    if (!job.HoldsTools()) {
        m_reader.reset(OpenThread(THREAD_TERMINATE, FALSE, GetCurrentThreadId()));
    }
    // Without a timer the run goes on unbounded, as it would have before there were deadlines.
    if (!CreateTimerQueueTimer(&m_timer, nullptr, &RunDeadlineTimer::OnDeadline, this, milliseconds,
                               0, WT_EXECUTEONLYONCE)) {
        m_timer = nullptr;
    }
}

bool RunDeadlineTimer::Stop() {
    m_reading = false;
    if (m_timer != nullptr) {
        DeleteTimerQueueTimer(nullptr, m_timer, INVALID_HANDLE_VALUE);
        m_timer = nullptr;
    }
    return m_passed;
}

void CALLBACK RunDeadlineTimer::OnDeadline(PVOID self, BOOLEAN) noexcept {
    auto* timer = static_cast<RunDeadlineTimer*>(self);
    timer->m_passed = true;
    timer->m_job.EndAll();
    // The reader looks at the deadline before each read, but a cancel that comes just before its
    // read begins finds nothing to cancel: so it is repeated until the reader has stopped.
    while (timer->m_reader && timer->m_reading) {
        CancelSynchronousIo(timer->m_reader.get());
        Sleep(20);
    }
}
