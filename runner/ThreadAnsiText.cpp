#include "runner/ThreadAnsiText.h"
#include <windows.h>

std::wstring ThreadAnsiText(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int chars = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), size, nullptr, 0);
    if (chars <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(chars), L'\0');
    if (MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), size, text.data(), chars) != chars) {
        return {};
    }
    return text;
}
