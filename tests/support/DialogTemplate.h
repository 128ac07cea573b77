#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An extended dialog template (DLGTEMPLATEEX) read back from an executable's resources.
struct DialogTemplate {
    struct Item {
        std::uint32_t style = 0;
        std::uint32_t exStyle = 0;
        int x = 0, y = 0, cx = 0, cy = 0;
        std::uint32_t id = 0;
        std::wstring className; // "#0080" style atoms are given as "#<number>"
        std::wstring text;
    };
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, className, caption;
    int pointSize = 0, weight = 0, italic = 0, charset = 0;
    std::wstring face;
    std::vector<Item> items;
};

// Reads dialog `id` of the executable at `path`; false when it is missing or not extended.
bool LoadDialogTemplate(const std::wstring& path, unsigned id, DialogTemplate& out);
