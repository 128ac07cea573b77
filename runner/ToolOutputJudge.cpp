#include "runner/ToolOutputJudge.h"

namespace {
constexpr wchar_t kDeviceProgrammed[] = L"Device programmed.\r\n";
constexpr wchar_t kUpgradeSucceeded[] = L"Upgrade succeeded.\r\n";
constexpr wchar_t kErrorMark[] = L"ERROR";
} // namespace

ToolOutputJudge::ToolOutputJudge(CaptureMode mode) : m_mode(mode) {}

ChunkVerdict ToolOutputJudge::OnChunk(const std::wstring& text) {
    if (m_mode == CaptureMode::WatchOnly) {
        return {text == kDeviceProgrammed ? kUpgradeSucceeded : L"", false};
    }
    // The chunk is logged even when it reports the error, so the failing line stays visible.
    ChunkVerdict verdict{text + L"\r\n", false};
    if (text.find(kErrorMark) != std::wstring::npos) {
        m_failed = true;
        verdict.stop = true;
    }
    m_succeeded = !m_failed;
    return verdict;
}
