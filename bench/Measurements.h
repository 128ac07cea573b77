#pragma once
// The bench's measurements. Each adds its rows to the table on standard output.

namespace bench {

// Start to window shown, Pelvaro.exe against the minimal dialog program.
void MeasureStartup();
// A tool's write to the text in the log box and to the box painted.
void MeasureWriteToLog();
// One refresh of the log box with 1 MB in it against one with 10 KB.
void MeasureRefresh();
// A bootloader port appearing to the DFU tool running.
void MeasurePortToDfu();
// Peak memory, idle and after a J-Link run that logged 1 MB.
void MeasureMemory();

} // namespace bench
