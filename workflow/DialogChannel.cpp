#include "workflow/DialogChannel.h"

void DialogChannel::AppendAndRefresh(const std::wstring& text) {
    SendMessageW(m_dialog, kAppendLogMessage, 0, reinterpret_cast<LPARAM>(&text));
}

void DialogChannel::SetResultFlag(bool ok) const {
    SendMessageW(m_dialog, kSetResultFlagMessage, ok ? 1 : 0, 0);
}

void DialogChannel::SetResultText(const std::wstring& text) const {
    SendMessageW(m_dialog, kSetResultTextMessage, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void DialogChannel::ShowMissingFile(const std::wstring& value) const {
    SendMessageW(m_dialog, kMissingFileMessage, 0, reinterpret_cast<LPARAM>(&value));
}

void DialogChannel::ReportRunEnded() const {
    SendMessageW(m_dialog, kRunEndedMessage, 0, 0);
}
