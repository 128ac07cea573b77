// The memory table: peak figures that the measurements took of the programs they ran.
#include "Measurements.h"
#include <cstdio>

namespace bench {

void PrintMemory(const Report& report) {
    if (report.memoryRows.empty()) {
        return;
    }
    std::printf("### Peak memory\n\n");
    std::printf("GetProcessMemoryInfo of the running program, taken by the bench at the end of "
                "each measurement: PeakWorkingSetSize and PeakPagefileUsage (private committed "
                "memory).\n\n");
    std::printf("| Program and run | Peak working set | Peak private memory |\n");
    std::printf("|---|---|---|\n");
    for (const auto& row : report.memoryRows) {
        std::printf("%s\n", row.c_str());
    }
    std::printf("\n");
}

} // namespace bench
