#include "BenchFolders.h"
#include <cstdio>
#include <stdexcept>

namespace bench {

PelvaroFolder::PelvaroFolder() {
    CopyIn(ProgramFolder() + L"Pelvaro.exe", L"Pelvaro.exe");
    WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\nhex=remote.hex\r\n");
    WriteFile(L"remote.zip", "PK\x03\x04");
    WriteFile(L"remote.hex", ":00000001FF\r\n");
}

MinimalFolder::MinimalFolder() {
    CopyIn(ProgramFolder() + L"bench_minimal_dialog.exe", L"Minimal.exe");
    CopyIn(ProgramFolder() + L"bench_minimal_dialog_styled.exe", L"MinimalStyled.exe");
    CopyIn(ProgramFolder() + L"bench_minimal_dialog_imports.exe", L"MinimalImports.exe");
}

RunningPelvaro::RunningPelvaro(const PelvaroFolder& folder)
    : program(folder.Exe(), folder.Path()), dialog(program.WaitForWindow(L"Upgrade Tools", 30000)) {
    if (dialog == nullptr) {
        throw std::runtime_error("Pelvaro.exe showed no window");
    }
}

std::string MemoryRow(const std::string& what, HANDLE process) {
    const PeakMemory peak = PeakMemoryOf(process);
    char row[256];
    if (!peak.known) {
        std::snprintf(row, sizeof(row), "| %s | not available | not available |", what.c_str());
    } else {
        std::snprintf(row, sizeof(row), "| %s | %.1f MB | %.1f MB |", what.c_str(),
                      static_cast<double>(peak.workingSet) / (1024.0 * 1024.0),
                      static_cast<double>(peak.pagefile) / (1024.0 * 1024.0));
    }
    return row;
}

} // namespace bench
