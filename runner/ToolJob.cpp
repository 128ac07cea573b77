#include "runner/ToolJob.h"

namespace {
// The status of processes ended at the deadline, as the Task Manager ends them.
constexpr UINT kEndedStatus = 1;
} // namespace

ToolJob::ToolJob() : m_job(CreateJobObjectW(nullptr, nullptr)) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (m_job && !SetInformationJobObject(m_job.get(), JobObjectExtendedLimitInformation, &limits,
                                          sizeof(limits))) {
        m_job.reset();
    }
}

void ToolJob::Adopt(HANDLE process) {
    m_process = process;
    if (m_job && !AssignProcessToJobObject(m_job.get(), process)) {
        m_job.reset();
    }
}

void ToolJob::EndAll() const {
    if (m_job) {
        TerminateJobObject(m_job.get(), kEndedStatus);
    } else if (m_process != nullptr) {
        TerminateProcess(m_process, kEndedStatus);
    }
}

RunDeadlineTimer::RunDeadlineTimer(const ToolJob& job, unsigned long milliseconds) : m_job(job) {
    // Without a timer the run goes on unbounded, as it would have before there were deadlines.
    if (!CreateTimerQueueTimer(&m_timer, nullptr, &RunDeadlineTimer::OnDeadline, this, milliseconds,
                               0, WT_EXECUTEONLYONCE)) {
        m_timer = nullptr;
    }
}

bool RunDeadlineTimer::Stop() {
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
}
