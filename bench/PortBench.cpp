// A bootloader port appearing to the DFU tool running, against the least this design can take:
// the wait for the next poll plus the tool's start. Each USB press polls for the port every
// 100 ms; the bench adds a simulated port at a different point of the poll period each time, and
// the stand-in nrfutil records the counter when its main function begins. The wait for the next
// poll is counted from polls at the press and every 100 ms after it. After each press the bench's
// window program starts the same tool through the program's own runner (bench/ToolStart.cpp).
#include "BenchSupport.h"
#include "Measurements.h"
#include "SimulatedDevices.h"
#include "StandInTools.h"
#include <cmath>

namespace bench {

namespace {

// Milliseconds from the runner's start of the tool to the stand-in's main function; negative
// when no tool started.
double ToolStart(const PelvaroFolder& folder, const StandInSession& tools) {
    const std::size_t started = tools.Records().size();
    const std::wstring begin = folder.Path() + L"begin.txt";
    {
        const StartedProgram starter(ProgramFolder() + L"bench_tool_start.exe", folder.Path(),
                                     begin);
        WaitForSingleObject(starter.Process(), 20000);
    }
    const auto records = tools.Records();
    const std::string text = ReadFileBytes(begin);
    DeleteFileW(begin.c_str());
    return records.size() > started && !text.empty() ? Ms(records[started].ticks - std::stoll(text))
                                                     : -1;
}

} // namespace

void MeasurePortToDfu() {
    constexpr int kPresses = 20;
    const PelvaroFolder folder;
    const StandInSession tools("[nrfutil]\nout \"Device programmed.\\r\\n\"\n");
    const AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    const auto endings = [&] {
        const std::wstring log = WindowText(GetDlgItem(dialog, kLog));
        std::size_t count = 0;
        for (const wchar_t* line :
             {L"Upgrade succeeded.", L"Upgrade failed.", L"No device in upgrade mode"}) {
            for (auto at = log.find(line); at != std::wstring::npos; at = log.find(line, at + 1)) {
                ++count;
            }
        }
        return count;
    };
    std::vector<double> toTool;
    std::vector<double> pollWait;
    std::vector<double> toolStart;
    for (int press = 0; press < kPresses; ++press) {
        const std::size_t before = endings();
        const std::size_t started = tools.Records().size();
        if (!Press(dialog, kUpgradeRemote, 20000)) {
            break;
        }
        const auto pressed = Ticks();
        // 150 to 250 ms after the press: it has started polling by then.
        Sleep(150 + static_cast<DWORD>(press * 37 % 100));
        const auto appeared = Ticks();
        SimulatedPort port(L"USB\\VID_1915&PID_521F&MI_00\\BENCH" + std::to_wstring(press),
                           L"nRF52 SDFU USB (COM7)", BootloaderHardwareIds());
        if (!WaitForRunEnd(
                dialog, [&] { return endings() > before; }, 20000)) {
            break;
        }
        const auto records = tools.Records();
        const double start = ToolStart(folder, tools);
        if (records.size() > started && start >= 0) {
            toTool.push_back(Ms(records[started].ticks - appeared));
            pollWait.push_back(100 - std::fmod(Ms(appeared - pressed), 100));
            toolStart.push_back(start);
        }
    }
    const auto tool = Summarise(toTool);
    const double wait = Summarise(pollWait).median;
    const double start = Summarise(toolStart).median;
    const double ratio = tool.median / (wait + start);
    Row(Format("A bootloader port appearing to the DFU tool running / (the wait for the next poll "
               "+ the tool's start by the program's runner), medians of %d USB presses",
               kPresses),
        Format("%.2f (%.0f ms / (%.0f ms + %.0f ms)); port to tool worst %.0f ms%s", ratio,
               tool.median, wait, start, tool.worst,
               toTool.size() == kPresses ? "" : Format(" (%zu runs)", toTool.size()).c_str()),
        "at most 1.3", Met(toTool.size() == kPresses && ratio <= 1.3));
}

} // namespace bench
