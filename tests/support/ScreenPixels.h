#pragma once
#include <cstddef>
#include <vector>
#include <windows.h>

// How many pixels of a window's area on screen have exactly this colour.
std::size_t CountScreenPixels(HWND window, COLORREF colour);

// A bitmap's pixels at 32 bits, top row first (alpha in rgbReserved); empty when they cannot be
// read. The bitmap must not be selected into a device context.
std::vector<RGBQUAD> BitmapPixels(HBITMAP bitmap, int width, int height);
