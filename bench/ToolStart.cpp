// The least a tool's start takes on this machine: a window program, as Pelvaro.exe is, runs the
// DFU tool once through the program's own runner (the same cmd.exe line, pipe, handle list, job
// and flags) with remote.zip of its current folder on COM7. It writes the performance counter's
// value just before the run to the file that the rest of its command line names; the stand-in
// records the counter when its main function begins.
#include "runner/ToolSteps.h"
#include <cstdio>
#include <memory>
#include <string>
#include <windows.h>

namespace {

class NoLog : public ToolLog {
public:
    void AppendAndRefresh(const std::wstring&) override {}
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR file, int) {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) {
        return 1;
    }
    const std::wstring here(folder, length);
    LARGE_INTEGER begin;
    QueryPerformanceCounter(&begin);
    NoLog log;
    RunDfuUpgrade(here + L"\\remote.zip", L"COM7", here, log);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(_wfopen(file, L"w"), &std::fclose);
    return out && std::fprintf(out.get(), "%lld\n", begin.QuadPart) > 0 ? 0 : 1;
}
