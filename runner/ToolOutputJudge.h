#pragma once
#include <string>

// WatchOnly: the DFU run, whose output only shows when the device was programmed.
// EchoCheck: the nrfjprog steps, whose output is logged and fails the step on "ERROR".
enum class CaptureMode { WatchOnly, EchoCheck };

// What one chunk of tool output adds to the log, and whether reading stops there.
struct ChunkVerdict {
    std::wstring append;
    bool stop = false;
};

// Judges the output of one run, one chunk at a time; each chunk is looked at on its own.
class ToolOutputJudge {
public:
    explicit ToolOutputJudge(CaptureMode mode);

    ChunkVerdict OnChunk(const std::wstring& text);
    // True once a chunk passed the EchoCheck test and none failed it; never true in WatchOnly.
    bool Succeeded() const { return m_succeeded; }

private:
    CaptureMode m_mode;
    bool m_succeeded = false;
    bool m_failed = false;
};
