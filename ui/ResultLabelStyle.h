#pragma once
#include <cstdint>

// Text colour of the result label as a COLORREF (0x00BBGGRR): a bright green (red 0, green 228,
// blue 156) for a successful run, pure red otherwise.
constexpr std::uint32_t ResultTextColour(bool resultOk) {
    return resultOk ? 0x009CE400u : 0x000000FFu;
}

// Top-left corner of the icon drawn in a minimised window: centred, with the signed division
// truncating toward zero.
struct IconOrigin {
    int x;
    int y;
};
constexpr IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth,
                                         int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
