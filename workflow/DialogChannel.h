#pragma once
#include "runner/ToolLog.h"
#include <string>
#include <windows.h>

// Private messages by which workers have the main dialog change its state on its own thread.
// Each is sent synchronously: the worker waits until the dialog has carried it out, and the
// pointer in lParam stays valid for exactly that long.
enum : UINT {
    kAppendLogMessage = WM_APP + 1,     // lParam: const std::wstring* to append, then refresh
    kSetResultFlagMessage = WM_APP + 2, // wParam: the new result flag
    kSetResultTextMessage = WM_APP + 3, // lParam: const wchar_t* label text
    kMissingFileMessage = WM_APP + 4,   // lParam: const std::wstring* configured value
    kRunEndedMessage = WM_APP + 5,      // the worker's last message: its run is over
};

// The worker's end of those messages. Once the dialog is gone every send simply fails, so a worker
// that outlives the window never touches freed memory.
class DialogChannel : public ToolLog {
public:
    explicit DialogChannel(HWND dialog) : m_dialog(dialog) {}
    void AppendAndRefresh(const std::wstring& text) override;
    void SetResultFlag(bool ok) const;
    void SetResultText(const std::wstring& text) const;
    // Has the dialog show the message for a configured file that does not exist.
    void ShowMissingFile(const std::wstring& value) const;
    void ReportRunEnded() const;

private:
    HWND m_dialog;
};
