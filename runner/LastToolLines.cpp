#include "runner/LastToolLines.h"

namespace {
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f';
}
} // namespace

void LastToolLines::Add(std::wstring_view text) {
    for (const wchar_t c : text) {
        // "\r\n" ends a line and then an empty one, which is blank and so dropped.
        if (c == L'\n' || c == L'\r') {
            EndLine();
        } else if (m_current.size() < kLineChars) {
            if (!m_current.empty() || !IsBlank(c)) {
                m_current.push_back(c);
            }
        } else if (!IsBlank(c)) {
            m_cut = true;
        }
    }
}

void LastToolLines::EndLine() {
    if (m_cut) {
        m_current += L"...";
    } else {
        while (!m_current.empty() && IsBlank(m_current.back())) {
            m_current.pop_back();
        }
    }
    if (!m_current.empty()) {
        m_lines.push_back(std::move(m_current));
        if (m_lines.size() > kKept) {
            m_lines.pop_front();
        }
    }
    m_current.clear();
    m_cut = false;
}
