#include "runner/ToolOutputJudge.h"
#include <string_view>

namespace {
constexpr std::wstring_view kDeviceProgrammed = L"Device programmed.";
constexpr wchar_t kUpgradeSucceeded[] = L"Upgrade succeeded.\r\n";
constexpr wchar_t kUpgradeFailed[] = L"Upgrade failed.\r\n";
constexpr wchar_t kNrfutilNotFound[] = L"nrfutil was not found.\r\n";
constexpr wchar_t kToolLinePrefix[] = L"nrfutil: ";
constexpr wchar_t kErrorMark[] = L"ERROR";
// The word and the carriage return that may end its line.
constexpr std::size_t kLineKept = kDeviceProgrammed.size() + 1;
} // namespace

ToolOutputJudge::ToolOutputJudge(CaptureMode mode) : m_mode(mode) {}

ChunkVerdict ToolOutputJudge::OnChunk(const std::wstring& text, bool cut) {
    if (m_mode == CaptureMode::WatchOnly) {
        return OnWatchedChunk(text, cut);
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

ChunkVerdict ToolOutputJudge::OnWatchedChunk(const std::wstring& text, bool cut) {
    ChunkVerdict verdict;
    m_lastLines.Add(text);
    for (const wchar_t c : text) {
        if (c == L'\n') {
            EndLine(verdict);
        } else if (m_line.size() < kLineKept) {
            m_line.push_back(c);
        } else {
            m_lineTooLong = true;
        }
    }
    // What the tool wrote after the NUL is gone: the line ends at the cut, so that it does not
    // run on into the next read and hide a line that comes whole there.
    if (cut) {
        m_lastLines.EndLine();
        EndLine(verdict);
    }
    return verdict;
}

void ToolOutputJudge::EndLine(ChunkVerdict& verdict) {
    std::wstring_view line = m_line;
    if (!line.empty() && line.back() == L'\r') {
        line.remove_suffix(1);
    }
    // One success line per run, however often the tool repeats its word.
    if (!m_lineTooLong && line == kDeviceProgrammed && !m_succeeded) {
        m_succeeded = true;
        verdict.append = kUpgradeSucceeded;
    }
    m_line.clear();
    m_lineTooLong = false;
}

bool ToolOutputJudge::NeedsExitStatus() const {
    return m_mode == CaptureMode::EchoCheck ? m_succeeded : !m_succeeded;
}

std::wstring ToolOutputJudge::OnToolEnded(std::optional<std::uint32_t> exitStatus,
                                          bool atDeadline) {
    // Ended from outside: the status the tool ended with says nothing about its work.
    const bool known = exitStatus.has_value() && !atDeadline;
    const std::uint32_t status = exitStatus.value_or(0);
    if (m_mode == CaptureMode::EchoCheck) {
        m_failed = m_failed || !known || status != 0;
        m_succeeded = m_succeeded && !m_failed;
        return {};
    }
    if (m_succeeded) {
        return {};
    }
    // That line says it all; cmd's own words would only repeat it.
    if (known && status == kCommandNotFoundStatus) {
        return std::wstring(kNrfutilNotFound) + kUpgradeFailed;
    }
    m_lastLines.EndLine();
    std::wstring text;
    for (const auto& line : m_lastLines.Lines()) {
        text += kToolLinePrefix + line + L"\r\n";
    }
    return text + kUpgradeFailed;
}
