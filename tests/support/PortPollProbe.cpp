// Polls the bootloader port lookup in a process of its own, as the program does, and writes each
// result as "[name]" to standard output, after the lookup's own trace words.
// "appear": polls until a port is found; "vanish": until none is. Exit status 0 when that
// happened within 400 polls 25 ms apart, 1 otherwise.
#include "device/BootloaderPortLookup.h"
#include <cstring>
#include <iostream>
#include <windows.h>

int main(int argc, char** argv) {
    const bool untilFound = argc > 1 && std::strcmp(argv[1], "appear") == 0;
    for (int poll = 0; poll < 400; ++poll) {
        const std::wstring port = FindBootloaderPort().port;
        std::cout << '[';
        for (wchar_t c : port) {
            std::cout << (c < 0x80 ? static_cast<char>(c) : '?');
        }
        std::cout << ']' << std::flush;
        if (port.empty() != untilFound) {
            return 0;
        }
        Sleep(25);
    }
    return 1;
}
