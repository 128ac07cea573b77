#include "workflow/Workers.h"
#include "base/ScopeExit.h"
#include "config/ConfigFile.h"
#include "config/ConfiguredPath.h"
#include "runner/ToolSteps.h"
#include "workflow/DialogChannel.h"
#include "workflow/JLinkSequence.h"
#include "workflow/ResultLabelText.h"
#include <memory>

namespace {

struct DfuJob {
    HWND dialog;
    WPARAM run;
    UpgradeTarget target;
    std::wstring packagePath;
    std::wstring portName;
    std::wstring workingDirectory;
};

DWORD WINAPI DfuThread(LPVOID param) noexcept {
    const std::unique_ptr<DfuJob> job(static_cast<DfuJob*>(param));
    DialogChannel channel(job->dialog, job->run);
    const ScopeExit ended([&] { channel.ReportRunEnded(); });
    // The tool gets the file that was checked, whatever its current folder.
    const bool ok = RunDfuUpgrade(ResolveConfiguredPath(job->workingDirectory, job->packagePath),
                                  job->portName, job->workingDirectory, channel);
    // The flag first: the label paints in the colour of its new text.
    channel.SetResultFlag(ok);
    channel.SetResultText(ResultLabelText(job->target, ok));
    return 1;
}

struct JLinkJob {
    HWND dialog;
    WPARAM run;
    UpgradeTarget target;
    std::wstring configPath;
    std::wstring workingDirectory;
};

class JLinkWorkerOps : public JLinkOps {
public:
    explicit JLinkWorkerOps(const JLinkJob& job) : m_job(job), m_channel(job.dialog, job.run) {}

    std::wstring ReadImagePath(UpgradeTarget target) override {
        return ReadConfiguredPath(m_job.configPath, target, ConfigKey::Hex);
    }
    bool IsConfiguredFilePresent(const std::wstring& value) override {
        if (ConfiguredFileExists(value)) {
            return true;
        }
        m_channel.ShowMissingFile(value);
        return false;
    }
    bool RunEraseAll() override { return ::RunEraseAll(m_job.workingDirectory, m_channel); }
    bool RunProgram(const std::wstring& hexPath) override {
        // The tool gets the file that was checked, whatever its current folder.
        return ::RunProgram(ResolveConfiguredPath(m_job.workingDirectory, hexPath),
                            m_job.workingDirectory, m_channel);
    }
    bool RunReset() override { return ::RunReset(m_job.workingDirectory, m_channel); }
    void SetResultFlag(bool ok) override { m_channel.SetResultFlag(ok); }
    void SetResultText(const std::wstring& text) override { m_channel.SetResultText(text); }

private:
    const JLinkJob& m_job;
    DialogChannel m_channel;
};

DWORD WINAPI JLinkThread(LPVOID param) noexcept {
    const std::unique_ptr<JLinkJob> job(static_cast<JLinkJob*>(param));
    const ScopeExit ended([&] { DialogChannel(job->dialog, job->run).ReportRunEnded(); });
    JLinkWorkerOps ops(*job);
    ProgramWithJLink(ops, job->target);
    return 1;
}

// Starts a thread that takes ownership of the job; the job is freed here when no thread starts.
template <typename Job>
UniqueHandle StartThread(LPTHREAD_START_ROUTINE entry, std::unique_ptr<Job> job) {
    UniqueHandle thread(CreateThread(nullptr, 0, entry, job.get(), 0, nullptr));
    if (thread) {
        job.release();
    }
    return thread;
}

} // namespace

bool StartDfuWorker(HWND dialog, WPARAM run, UpgradeTarget target, const std::wstring& packagePath,
                    const std::wstring& portName, const std::wstring& workingDirectory) {
    auto job = std::make_unique<DfuJob>(
        DfuJob{dialog, run, target, packagePath, portName, workingDirectory});
    return StartThread(&DfuThread, std::move(job)).valid();
}

UniqueHandle StartJLinkWorker(HWND dialog, WPARAM run, UpgradeTarget target,
                              const std::wstring& configPath,
                              const std::wstring& workingDirectory) {
    auto job =
        std::make_unique<JLinkJob>(JLinkJob{dialog, run, target, configPath, workingDirectory});
    return StartThread(&JLinkThread, std::move(job));
}
