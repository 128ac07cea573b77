#include "workflow/DialogChannel.h"

WorkerMessages::WorkerMessages() {
    constexpr const wchar_t* kNames[] = {
        L"Pelvaro Upgrade Tools: append to the log", L"Pelvaro Upgrade Tools: set the result flag",
        L"Pelvaro Upgrade Tools: set the result text", L"Pelvaro Upgrade Tools: missing file",
        L"Pelvaro Upgrade Tools: run ended"};
    static_assert(std::size(kNames) == std::tuple_size_v<decltype(m_ids)>);
    for (std::size_t i = 0; i < m_ids.size(); ++i) {
        m_ids[i] = RegisterWindowMessageW(kNames[i]);
    }
}

std::optional<WorkerRequest> WorkerMessages::Find(UINT message) const {
    for (std::size_t i = 0; i < m_ids.size(); ++i) {
        if (message != 0 && message == m_ids[i]) {
            return static_cast<WorkerRequest>(i);
        }
    }
    return std::nullopt;
}

bool WorkerMessages::Dispatch(UINT message, WPARAM wParam, LPARAM lParam,
                              DialogRequests& dialog) const {
    const auto request = Find(message);
    if (!request) {
        return false;
    }
    if (!dialog.IsActiveRun(wParam)) {
        return true;
    }
    switch (*request) {
    case WorkerRequest::AppendLog:
        dialog.AppendLog(*reinterpret_cast<const std::wstring*>(lParam));
        break;
    case WorkerRequest::SetResultFlag:
        dialog.SetResultFlag(lParam != 0);
        break;
    case WorkerRequest::SetResultText:
        dialog.SetResultText(reinterpret_cast<const wchar_t*>(lParam));
        break;
    case WorkerRequest::MissingFile:
        dialog.ShowMissingFile(*reinterpret_cast<const std::wstring*>(lParam));
        break;
    case WorkerRequest::RunEnded:
        dialog.EndRun();
        break;
    }
    return true;
}

void DialogChannel::Send(WorkerRequest request, LPARAM lParam) const {
    if (const UINT message = m_messages.Of(request)) {
        SendMessageW(m_dialog, message, m_run, lParam);
    }
}

void DialogChannel::AppendAndRefresh(const std::wstring& text) {
    Send(WorkerRequest::AppendLog, reinterpret_cast<LPARAM>(&text));
}

void DialogChannel::SetResultFlag(bool ok) const {
    Send(WorkerRequest::SetResultFlag, ok ? 1 : 0);
}

void DialogChannel::SetResultText(const std::wstring& text) const {
    Send(WorkerRequest::SetResultText, reinterpret_cast<LPARAM>(text.c_str()));
}

void DialogChannel::ShowMissingFile(const std::wstring& value) const {
    Send(WorkerRequest::MissingFile, reinterpret_cast<LPARAM>(&value));
}

void DialogChannel::ReportRunEnded() const {
    Send(WorkerRequest::RunEnded, 0);
}
