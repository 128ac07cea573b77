#pragma once
#include <cstddef>
#include <windows.h>

// How many pixels of a window's area on screen have exactly this colour.
std::size_t CountScreenPixels(HWND window, COLORREF colour);
