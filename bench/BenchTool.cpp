// The bench's stand-in for nrfjprog and nrfutil, built under both names. What it does comes from
// the environment variable PELVARO_BENCH_TOOL, which the bench sets for the programs it starts:
//
//   flood BYTES [DELAY]            the erase step waits DELAY ms (default 0), then writes BYTES
//                                  bytes of 48-byte lines, in writes of 4096 bytes
//   latency COUNT PAUSE DELAY FILE the erase step waits DELAY ms, then writes COUNT numbered lines
//                                  "lat NNNNNN\r\n", one write each, PAUSE ms apart, and at the
//                                  end writes the counter value taken just before each write to
//                                  FILE, one a line
//   started FILE                   appends the counter value at its start to FILE and ends
//
// Every other step (program, reset, and the erase step under "started") writes "Done.\r\n".
// The tool always exits with status 0.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::int64_t Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

bool Write(const char* bytes, std::size_t size) {
    DWORD written = 0;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, static_cast<DWORD>(size), &written,
                     nullptr) != 0;
}

void Append(const std::wstring& path, const std::string& line) {
    // Several tools may append at once: retry while another holds the file.
    for (int attempt = 0; attempt < 500; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(2);
    }
}

void Flood(unsigned long long bytes) {
    std::string block;
    for (int line = 0; block.size() < 4096 * 3; ++line) {
        char text[64];
        std::snprintf(text, sizeof(text), "Flash block %06d verified, all bytes match. \r\n", line);
        block += text; // 48 bytes a line
    }
    unsigned long long sent = 0;
    std::size_t offset = 0;
    while (sent < bytes) {
        const std::size_t size =
            static_cast<std::size_t>(bytes - sent < 4096 ? bytes - sent : 4096);
        if (!Write(block.data() + offset, size)) {
            return; // nobody reads any more
        }
        sent += size;
        offset = (offset + size) % (48 * 64);
    }
}

void Latency(int count, int pauseMs, int delayMs, const std::wstring& path) {
    Sleep(static_cast<DWORD>(delayMs));
    std::vector<std::int64_t> written;
    written.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char line[32];
        const int size = std::snprintf(line, sizeof(line), "lat %06d\r\n", i);
        written.push_back(Ticks());
        Write(line, static_cast<std::size_t>(size));
        Sleep(static_cast<DWORD>(pauseMs));
    }
    std::string all;
    for (const auto ticks : written) {
        all += std::to_string(ticks) + "\n";
    }
    Append(path, all);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::int64_t start = Ticks();
    wchar_t behaviour[4096] = {};
    GetEnvironmentVariableW(L"PELVARO_BENCH_TOOL", behaviour, 4096);
    bool erase = false;
    for (int i = 1; i < argc; ++i) {
        erase = erase || std::wcscmp(argv[i], L"--eraseall") == 0;
    }

    wchar_t mode[32] = {};
    unsigned long long bytes = 0;
    int count = 0;
    int pauseMs = 0;
    int delayMs = 0;
    wchar_t path[2048] = {};
    std::swscanf(behaviour, L"%31ls", mode);
    if (std::wcscmp(mode, L"started") == 0 &&
        std::swscanf(behaviour, L"%*ls %2047l[^\n]", path) == 1) {
        Append(path, std::to_string(start) + "\n");
        return 0;
    }
    if (erase && std::wcscmp(mode, L"flood") == 0 &&
        std::swscanf(behaviour, L"%*ls %llu %d", &bytes, &delayMs) >= 1) {
        Sleep(static_cast<DWORD>(delayMs));
        Flood(bytes);
        return 0;
    }
    if (erase && std::wcscmp(mode, L"latency") == 0 &&
        std::swscanf(behaviour, L"%*ls %d %d %d %2047l[^\n]", &count, &pauseMs, &delayMs, path) ==
            4) {
        Latency(count, pauseMs, delayMs, path);
        return 0;
    }
    Write("Done.\r\n", 7);
    return 0;
}
