#pragma once
#include <string>

// Where a tool run writes: one call appends the text (possibly empty) to the log and brings the
// log view up to date. The dialog carries the call out on its own thread, so appends from several
// runs never interleave and a run never touches the dialog itself.
class ToolLog {
public:
    virtual ~ToolLog() = default;
    virtual void AppendAndRefresh(const std::wstring& text) = 0;
};
