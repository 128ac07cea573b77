#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include <windows.h>

// How many pixels of a window's area on screen have exactly this colour.
std::size_t CountScreenPixels(HWND window, COLORREF colour);

// The result label's colours; the label shows the text in the colour its result flag picks, and an
// empty label no trace of it. True once it does, within the time.
inline constexpr COLORREF kResultGreen = RGB(0, 228, 156);
inline constexpr COLORREF kResultRed = RGB(255, 0, 0);
bool ResultShows(HWND label, const std::wstring& text, COLORREF colour, DWORD timeoutMs = 20000);

// A bitmap's pixels at 32 bits, top row first (alpha in rgbReserved); empty when they cannot be
// read. The bitmap must not be selected into a device context.
std::vector<RGBQUAD> BitmapPixels(HBITMAP bitmap, int width, int height);
