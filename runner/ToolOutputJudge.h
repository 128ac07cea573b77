#pragma once
#include "runner/LastToolLines.h"
#include <cstdint>
#include <optional>
#include <string>

// WatchOnly: the DFU run, whose output only shows when the device was programmed.
// EchoCheck: the nrfjprog steps, whose output is logged and fails the step on "ERROR".
enum class CaptureMode { WatchOnly, EchoCheck };

// What one chunk of tool output adds to the log, and whether reading stops there.
struct ChunkVerdict {
    std::wstring append;
    bool stop = false;
};

// The exit status with which cmd reports that it found no such program.
inline constexpr std::uint32_t kCommandNotFoundStatus = 9009;

// Judges the output of one run, one chunk at a time. EchoCheck looks at each chunk on its own.
// WatchOnly reads lines, assembled across chunks (a line ends with "\n", or with a chunk whose
// read a NUL cut; a "\r" right before the end belongs to it), so that the device's word counts
// however the pipe cut or merged the tool's writes.
class ToolOutputJudge {
public:
    explicit ToolOutputJudge(CaptureMode mode);

    // cut: a NUL cut the chunk's read (ToolChunk), so its last line ends with it.
    ChunkVerdict OnChunk(const std::wstring& text, bool cut = false);
    // Whether, once the output has ended, the tool's exit status still decides something: in
    // EchoCheck when every chunk passed, in WatchOnly when the device never said it was programmed.
    bool NeedsExitStatus() const;
    // Told once at every end of the run, however it ended: what the end adds to the log, given
    // the tool's exit status (none when it could not be had or was not waited for) and whether
    // the run's deadline ended the tool, whose status then says nothing about its work. An
    // EchoCheck run fails unless the tool ended by itself with status 0; a WatchOnly run without
    // the device's word ends with the failure line, after the not-found line when cmd found no
    // nrfutil and otherwise after the tool's last lines (LastToolLines), each as "nrfutil: <line>",
    // so the technician sees why. A device that said it was programmed stays a success, also when
    // its tool then kept its output open until the deadline.
    std::wstring OnToolEnded(std::optional<std::uint32_t> exitStatus, bool atDeadline = false);
    // The run's one verdict, which also chose the log's verdict line: the result shown is this.
    // EchoCheck: a chunk passed, none failed and (once told) the tool ended with status 0.
    // WatchOnly: the device said it was programmed.
    bool Succeeded() const { return m_succeeded; }

private:
    ChunkVerdict OnWatchedChunk(const std::wstring& text, bool cut);
    // Judges the line assembled so far as a complete one and starts the next.
    void EndLine(ChunkVerdict& verdict);

    CaptureMode m_mode;
    bool m_succeeded = false;
    bool m_failed = false;
    // The start of the line being assembled: enough of it to tell the device's word, no more,
    // so that a flood without line ends costs nothing.
    std::wstring m_line;
    bool m_lineTooLong = false;
    LastToolLines m_lastLines;
};
