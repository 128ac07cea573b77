#pragma once
#include "runner/ToolLog.h"
#include <mutex>
#include <string>
#include <vector>

// A tool log that keeps every call, so a test sees both the text and each refresh.
class RecordingToolLog : public ToolLog {
public:
    void AppendAndRefresh(const std::wstring& text) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(text);
    }
    // The whole log: every call's text in order.
    std::wstring Text() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::wstring text;
        for (const auto& call : m_calls) {
            text += call;
        }
        return text;
    }
    // One entry per call, the empty appends after chunks included.
    std::vector<std::wstring> Calls() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_calls;
};
