#pragma once
#include "RecordingToolLog.h"
#include "StandInTools.h"
#include <string>

// A recording log that tells the stand-in tools how far their run has got: after its N-th call
// it creates the file "logged-N" in the session's folder. A pipe hands the reader whatever has
// been written by the time it reads, so two quick writes may arrive as one read; a tool that
// writes again only after `await logged-N` (N = 1 for the banner, plus one per chunk so far) has
// each of its writes arrive as a read of its own.
class PacedToolLog : public RecordingToolLog {
public:
    explicit PacedToolLog(const StandInSession& tools) : m_tools(tools) {}
    void AppendAndRefresh(const std::wstring& text) override {
        RecordingToolLog::AppendAndRefresh(text);
        m_tools.Signal(L"logged-" + std::to_wstring(++m_calls));
    }

private:
    const StandInSession& m_tools;
    int m_calls = 0;
};

// Scenario steps that write each of the given steps' bytes as a read of its own when the run's
// log is a PacedToolLog: between two writes the tool awaits the log call of the earlier one.
inline std::string OneReadEach(const std::initializer_list<std::string>& writeSteps) {
    std::string steps;
    int call = 1; // the banner
    for (const auto& step : writeSteps) {
        if (!steps.empty()) {
            steps += "await logged-" + std::to_string(call) + "\n";
        }
        steps += step + "\n";
        ++call;
    }
    return steps;
}
