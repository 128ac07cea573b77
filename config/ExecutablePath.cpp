#include "config/ExecutablePath.h"

std::wstring ExecutableDirectory(std::wstring_view modulePath) {
    const auto slash = modulePath.rfind(L'\\');
    if (slash == std::wstring_view::npos) {
        return {};
    }
    return std::wstring(modulePath.substr(0, slash + 1));
}

std::wstring ExecutableBaseName(std::wstring_view modulePath) {
    const auto slash = modulePath.rfind(L'\\');
    std::wstring_view name =
        slash == std::wstring_view::npos ? modulePath : modulePath.substr(slash + 1);
    const auto dot = name.rfind(L'.');
    if (dot != std::wstring_view::npos && dot > 0) {
        name = name.substr(0, dot);
    }
    return std::wstring(name);
}
