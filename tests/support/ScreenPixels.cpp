#include "ScreenPixels.h"
#include "AppUnderTest.h"

std::vector<RGBQUAD> BitmapPixels(HBITMAP bitmap, int width, int height) {
    std::vector<RGBQUAD> pixels(static_cast<std::size_t>(width) * height);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, height, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != height) {
        pixels.clear();
    }
    return pixels;
}

std::size_t CountScreenPixels(HWND window, COLORREF colour) {
    RECT area;
    GetWindowRect(window, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        return 0;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::size_t count = 0;
    for (const RGBQUAD& p : BitmapPixels(bitmap, width, height)) {
        count += RGB(p.rgbRed, p.rgbGreen, p.rgbBlue) == colour ? 1 : 0;
    }
    DeleteObject(bitmap);
    return count;
}

bool ResultShows(HWND label, const std::wstring& text, COLORREF colour, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            const std::size_t pixels = CountScreenPixels(label, colour);
            return WindowText(label) == text && (text.empty() ? pixels == 0 : pixels > 50);
        },
        timeoutMs);
}
