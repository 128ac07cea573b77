#pragma once
// The folders the measurements start their programs in.
#include "BenchSupport.h"

namespace bench {

// Pelvaro.exe with a config.ini naming a package and an image of the remote, both present.
class PelvaroFolder : public TestFolder {
public:
    PelvaroFolder();
    std::wstring Exe() const { return Path() + L"Pelvaro.exe"; }
};

// The minimal dialog program: plain, with Pelvaro.exe's manifest, and with its manifest and its
// system DLL imports.
class MinimalFolder : public TestFolder {
public:
    MinimalFolder();
    std::wstring Exe() const { return Path() + L"Minimal.exe"; }
    std::wstring StyledExe() const { return Path() + L"MinimalStyled.exe"; }
    std::wstring ImportsExe() const { return Path() + L"MinimalImports.exe"; }
};

constexpr int kUpgradeRemote = 1000;
constexpr int kLog = 1001;
constexpr int kJLinkRemote = 1002;
constexpr int kResult = 1007;

// Pelvaro.exe started in its folder, its window found.
struct RunningPelvaro {
    explicit RunningPelvaro(const PelvaroFolder& folder);
    StartedProgram program;
    HWND dialog = nullptr;
};

// The memory row of a running program.
std::string MemoryRow(const std::string& what, HANDLE process);

} // namespace bench
