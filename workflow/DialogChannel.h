#pragma once
#include "runner/ToolLog.h"
#include <array>
#include <optional>
#include <string>
#include <windows.h>

// Both ends of the private messages by which workers have the main dialog change its state on its
// own thread: the workers' sending and the dialog's carrying out. Each is registered under a name
// of ours, so that no message another program broadcasts is taken for one, and carries in wParam
// the number of the run it belongs to: the dialog carries out only those of its active run. Each is
// sent synchronously: the worker waits until the dialog has carried it out, and the pointer in
// lParam stays valid for exactly that long.
enum class WorkerRequest {
    AppendLog,     // lParam: const std::wstring* to append, then refresh
    SetResultFlag, // lParam: the new result flag
    SetResultText, // lParam: const wchar_t* label text
    MissingFile,   // lParam: const std::wstring* configured value
    RunEnded,      // the worker's last message: its run is over
};

// What the main dialog carries out on its own thread: for its presses directly, for its workers
// when their messages come.
class DialogRequests {
public:
    // True only for the number of the dialog's active run.
    virtual bool IsActiveRun(WPARAM run) const = 0;
    virtual void AppendLog(const std::wstring& text) = 0;
    virtual void SetResultFlag(bool ok) = 0;
    virtual void SetResultText(const wchar_t* text) = 0;
    virtual void ShowMissingFile(const std::wstring& value) = 0;
    virtual void EndRun() = 0;

protected:
    ~DialogRequests() = default;
};

// The message numbers the system gave those requests (0 where it gave none).
class WorkerMessages {
public:
    WorkerMessages();
    UINT Of(WorkerRequest request) const { return m_ids[static_cast<std::size_t>(request)]; }
    // The request that a message of the dialog stands for, if any.
    std::optional<WorkerRequest> Find(UINT message) const;
    // Carries out a worker's message; false when the message is none of ours. Only the worker of
    // the active run knows its number: a message with any other is taken and not looked at.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, DialogRequests& dialog) const;

private:
    std::array<UINT, 5> m_ids{};
};

// The worker's end of those messages. Once the dialog is gone every send simply fails, so a worker
// that outlives the window never touches freed memory.
class DialogChannel : public ToolLog {
public:
    DialogChannel(HWND dialog, WPARAM run) : m_dialog(dialog), m_run(run) {}
    void AppendAndRefresh(const std::wstring& text) override;
    void SetResultFlag(bool ok) const;
    void SetResultText(const std::wstring& text) const;
    // Has the dialog show the message for a configured file that does not exist.
    void ShowMissingFile(const std::wstring& value) const;
    void ReportRunEnded() const;

private:
    void Send(WorkerRequest request, LPARAM lParam) const;

    HWND m_dialog;
    WPARAM m_run;
    WorkerMessages m_messages;
};
