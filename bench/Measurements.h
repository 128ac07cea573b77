#pragma once
// The measurements of the bench driver. Each prints a Markdown section of its own and adds what
// it saw of the program's memory to the report.
#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct Report {
    // Rows of the memory table: what ran, peak working set, peak private memory.
    std::vector<std::string> memoryRows;
};

// Start to window shown, Pelvaro.exe against the minimal dialog program.
void MeasureStartup(int runs, Report& report);
// A tool's write to the text being in the log box of the real program.
void MeasureWriteToLog(int writes, Report& report);
// The runner's capture in nrfjprog mode against a plain pipe read of the same output.
void MeasureCapture(Report& report);
// The cost of one log refresh as the log grows, through the real dialog.
void MeasureRefresh(unsigned long long floodBytes, unsigned timeLimitSeconds, Report& report);
// Ways to refresh an edit box of the log box's styles, in a window of the bench's own.
void MeasureEditAlternatives(std::size_t maxChars);
// A bootloader port appearing to the DFU tool starting.
void MeasurePortToDfu(int runs, Report& report);

void PrintMemory(const Report& report);

} // namespace bench
