#include "SystemDpiSetting.h"

namespace {
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";

bool WriteDpi(DWORD dpi) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi,
                           sizeof(dpi)) == ERROR_SUCCESS;
}
} // namespace

SystemDpiSetting::SystemDpiSetting(DWORD dpi) {
    DWORD size = sizeof(m_previous);
    m_hadValue = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr,
                              &m_previous, &size) == ERROR_SUCCESS;
    m_applied = WriteDpi(dpi);
}

SystemDpiSetting::~SystemDpiSetting() {
    if (m_applied && m_hadValue) {
        WriteDpi(m_previous);
    } else if (m_applied) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
}
