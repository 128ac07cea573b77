#include "SystemDpiSetting.h"
#include "base/ScopeExit.h"

namespace {

constexpr wchar_t kLogPixels[] = L"LogPixels";

// Runs one step on the current user's desktop settings key; false when the key cannot be opened.
template <typename Step> bool WithDesktopKey(Step step) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const ScopeExit close([&] { RegCloseKey(key); });
    return step(key);
}

bool WriteDpi(HKEY key, DWORD dpi) {
    return RegSetValueExW(key, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                          sizeof(dpi)) == ERROR_SUCCESS;
}

} // namespace

SystemDpiSetting::SystemDpiSetting(DWORD dpi) {
    m_applied = WithDesktopKey([&](HKEY key) {
        DWORD type = 0;
        DWORD size = sizeof(m_previous);
        m_hadValue =
            RegQueryValueExW(key, kLogPixels, nullptr, &type, reinterpret_cast<BYTE*>(&m_previous),
                             &size) == ERROR_SUCCESS &&
            type == REG_DWORD;
        return WriteDpi(key, dpi);
    });
}

SystemDpiSetting::~SystemDpiSetting() {
    if (!m_applied) {
        return;
    }
    WithDesktopKey([&](HKEY key) {
        return m_hadValue ? WriteDpi(key, m_previous)
                          : RegDeleteValueW(key, kLogPixels) == ERROR_SUCCESS;
    });
}
