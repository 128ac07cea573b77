// A bootloader port appearing to the DFU tool running: each USB press polls for the port, the
// bench adds a simulated port at a different point of the 100 ms poll period each time, and the
// stand-in nrfutil records the counter when its main function begins.
#include "BenchSupport.h"
#include "Measurements.h"
#include "SimulatedDevices.h"
#include "StandInTools.h"

namespace bench {

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
    for (int press = 0; press < kPresses; ++press) {
        const std::size_t before = endings();
        const std::size_t started = tools.Records().size();
        if (!Press(dialog, kUpgradeRemote, 20000)) {
            break;
        }
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
        if (records.size() > started) {
            toTool.push_back(Ms(records[started].ticks - appeared));
        }
    }
    const auto tool = Summarise(toTool);
    Row(Format("A bootloader port appearing to the DFU tool running (%d USB presses)", kPresses),
        Format("median %.0f ms, worst %.0f ms%s", tool.median, tool.worst,
               toTool.size() == kPresses ? "" : Format(" (%zu runs)", toTool.size()).c_str()),
        "at most 150 ms, median", Met(toTool.size() == kPresses && tool.median <= 150));
}

} // namespace bench
