// A bootloader port appearing to the DFU tool starting: a USB press polls for the port, the bench
// adds a simulated port at a moment spread over the poll period, and the bench's nrfutil notes
// the counter when it starts. The probe inside Pelvaro.exe notes when "Upgrading..." reached the
// log, which the runner writes right after its CreateProcess of cmd returned.
#include "BenchFolders.h"
#include "Measurements.h"
#include "SimulatedDevices.h"
#include <algorithm>
#include <cstdio>
#include <sstream>

namespace bench {

namespace {

std::vector<long long> Numbers(const std::wstring& path) {
    std::vector<long long> numbers;
    std::istringstream lines(ReadFileBytes(path));
    for (long long value = 0; lines >> value;) {
        numbers.push_back(value);
    }
    return numbers;
}

} // namespace

void MeasurePortToDfu(int runs, Report& report) {
    const PelvaroFolder folder;
    const TestFolder scratch;
    const std::wstring stamps = scratch.Path() + L"started.txt";
    const BenchTools tools(L"started " + stamps);
    RunningPelvaro pelvaro(folder);
    LogProbe probe(pelvaro.program, "banner");

    struct Run {
        long long appeared;
        long long started;
    };
    std::vector<Run> measured;
    std::vector<std::string> missed;
    for (int run = 0; run < runs; ++run) {
        const std::size_t startsBefore = Numbers(stamps).size();
        const std::wstring logBefore = WindowText(GetDlgItem(pelvaro.dialog, kLog));
        PostMessageW(GetDlgItem(pelvaro.dialog, kUpgradeRemote), BM_CLICK, 0, 0);
        // The press is polling by now; the port comes at a different point of the 100 ms poll
        // period each time.
        Sleep(150 + static_cast<DWORD>(run * 37 % 100));
        const long long before = Ticks();
        SimulatedPort port(L"USB\\VID_1915&PID_521F&MI_00\\BENCH" + std::to_wstring(run),
                           L"nRF52 SDFU USB (COM7)", BootloaderHardwareIds());
        if (WaitUntil([&] { return Numbers(stamps).size() > startsBefore; }, 10000, 2)) {
            measured.push_back({before, Numbers(stamps)[startsBefore]});
        } else {
            // Kept in the report: what the window showed when the tool did not come.
            const std::wstring log = WindowText(GetDlgItem(pelvaro.dialog, kLog));
            missed.push_back("run " + std::to_string(run) + ": the window " +
                             (Responsive(pelvaro.dialog, 1000) ? "answered" : "did not answer") +
                             ", the log gained \"" +
                             Utf8(log.substr(std::min(log.size(), logBefore.size()))) + "\"");
        }
        port.Remove();
        // The tool ends at once; let its run end and the window settle before the next press.
        Responsive(pelvaro.dialog, 10000);
        Sleep(300);
    }
    const auto refreshes = probe.Stop().refreshes;
    report.memoryRows.push_back(MemoryRow("Pelvaro.exe after " + std::to_string(runs) + " USB runs",
                                          pelvaro.program.Process()));

    std::vector<double> toTool;
    std::vector<double> toBanner;
    for (const auto& run : measured) {
        toTool.push_back(TicksToMs(run.started - run.appeared));
        // The first refresh after the port came that added an "Upgrading..." line.
        for (std::size_t i = 0; i < refreshes.size(); ++i) {
            const long earlier = i == 0 ? 0 : refreshes[i - 1].banners;
            if (refreshes[i].textIn > run.appeared && refreshes[i].banners > earlier) {
                toBanner.push_back(TicksToMs(refreshes[i].textIn - run.appeared));
                break;
            }
        }
    }
    const auto tool = Summarise(toTool);
    const auto banner = Summarise(toBanner);
    std::printf("### Port appearing to the DFU tool starting\n\n");
    std::printf("%d USB presses, each with a simulated bootloader port added 150 to 250 ms "
                "after the press, at a different point of the 100 ms poll period; the port "
                "counts from the moment before its registry keys are written. The DFU tool "
                "counts as started when its own main function runs.\n\n",
                runs);
    std::printf("| From the port appearing to | Median | 90th percentile | Range |\n");
    std::printf("|---|---|---|---|\n");
    std::printf(
        "| \"Upgrading...\" in the log (cmd started) | %.0f ms | %.0f ms | %.0f–%.0f ms |\n",
        banner.median, banner.p90, banner.best, banner.worst);
    std::printf("| the DFU tool running | %.0f ms | %.0f ms | %.0f–%.0f ms |\n\n", tool.median,
                tool.p90, tool.best, tool.worst);
    std::printf("**Median port to DFU tool: %.0f ms, worst %.0f ms** (target at most 150 ms)\n\n",
                tool.median, tool.worst);
    if (!missed.empty()) {
        std::printf("In %zu of %d runs the tool did not start within 10 s of the port:\n\n",
                    missed.size(), runs);
        for (const auto& line : missed) {
            std::printf("- %s\n", line.c_str());
        }
        std::printf("\n");
    }
}

} // namespace bench
